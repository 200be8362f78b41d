// coldpoint-en: the English build, on the machine's hidraw devices.
#include "app/english/EnglishProgram.h"
#include "platform/linux/HidrawBus.h"

int main() {
    return english::ProgramEntry([] { hidraw::UseHidrawBus(); });
}
