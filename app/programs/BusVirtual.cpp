// The virtual HID bus, with nothing plugged in.
#include "app/programs/Bus.h"
#include "platform/sim/VirtualBus.h"

void ChooseBus() { sim::VirtualBus::Choose(); }
