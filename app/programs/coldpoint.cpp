// coldpoint: the Russian build.
#include "app/Program.h"
#include "app/programs/Bus.h"

int main() { return app::ProgramEntry([] { ChooseBus(); }); }
