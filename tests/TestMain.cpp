// The main of every test program: the user's locale is set aside first, so that numbers,
// dates and the system's error texts read the same on every machine; a test that needs a
// locale sets it itself.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LC_TIME", "LANGUAGE"})
        unsetenv(name);
    setenv("LANG", "C.UTF-8", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
