#pragma once
// The device bus a program runs on, chosen at start (one implementation file per bus).
void ChooseBus();
