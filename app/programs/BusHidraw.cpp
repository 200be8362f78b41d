// The machine's hidraw devices.
#include "app/programs/Bus.h"
#include "platform/linux/HidrawBus.h"

void ChooseBus() { hidraw::UseHidrawBus(); }
