#include <cstdlib>

#include <gtest/gtest.h>

#include "ui/Forms.h"

namespace {

// The tests run headless even when started by hand.
class OffscreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ui::Application->Initialize();
    }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment);

} // namespace
