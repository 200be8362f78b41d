// coldpoint-demo: the Russian build with the stand-in analyzer, as the operator sees it.
#include "app/programs/Demo.h"

int main() { return app::DemoMain({}); }
