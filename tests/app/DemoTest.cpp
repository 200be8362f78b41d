// The demo program itself: started under the offscreen platform in a directory of its own,
// it runs one accelerated determination (shortened to seconds), appends the record and
// closes by itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "app/core/Journal.h"
#include "app/core/NumberText.h"
#include "ui/Forms.h"

namespace {

namespace fs = std::filesystem;

// Next to the build's test programs: <build>/tests/app_tests and
// <build>/app/coldpoint-demo-probe (the demo with its determination shortened).
fs::path DemoProgram() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path() / "app" / "coldpoint-demo-probe";
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Demo, RunsOneAcceleratedDeterminationAndLeavesAJournalRecord) {
    const fs::path program = DemoProgram();
    ASSERT_TRUE(fs::exists(program)) << program << " is built with the coldpoint-demo-probe target";

    const fs::path dir =
        fs::temp_directory_path() / ("coldpoint-demo-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "gr");
    fs::copy_file(program, dir / "coldpoint-demo");
    std::ofstream(dir / "data2.tab", std::ios::binary); // a journal, so no error box at start

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application->Initialize(); // the Qt application for QProcess
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    demo.setProcessEnvironment(env);
    demo.setWorkingDirectory(QString::fromStdString(fs::temp_directory_path().string()));
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QString::fromStdString((dir / "coldpoint-demo").string()),
               {"--run-seconds", "3", "--quit-after", "1"});
    ASSERT_TRUE(demo.waitForStarted(30000));
    const bool finished = demo.waitForFinished(240000);
    if (!finished) {
        demo.kill();
        demo.waitForFinished(10000);
    }
    const std::string output = demo.readAll().toStdString();
    ASSERT_TRUE(finished) << "the demo did not close after its first record\n" << output;
    EXPECT_EQ(demo.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(demo.exitCode(), 0) << output;

    const auto rows = core::ParseJournal(ReadAll(dir / "data2.tab"));
    ASSERT_GE(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_NE(rows[0][1], " ");
    EXPECT_NE(rows[0][2], "?") << "the cloud point is found in every method";
    for (const char* name : {"gr1.txt", "gr1_.txt", "gr1__.txt"})
        EXPECT_TRUE(fs::exists(dir / "gr" / name)) << name;

    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace
