// Empty bodies of the window's handlers whose own file has not landed yet, one block per
// function. The owner file deletes a block when it defines that function.
#include "app/Unit1.h"
