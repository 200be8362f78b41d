// coldpoint: the Russian build, on the machine's hidraw devices.
#include "app/Program.h"
#include "platform/linux/HidrawBus.h"

int main() {
    return app::ProgramEntry([] { hidraw::UseHidrawBus(); });
}
