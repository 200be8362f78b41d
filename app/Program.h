#pragma once
// The program entry shared by the programs.
#include <functional>
#include <string>

#include "platform/CopyLock.h"

namespace app {

// What a running copy locks (see ProgramEntry): its folder, its journal and its curve folder.
platform::CopyLock LockCopy(const std::string& programDir);

// The application title: the caption of the task-bar button and of the error boxes.
inline constexpr const char* kApplicationTitle =
    "Анализатор помутнения и застывния Kelvane А, KelvaneИ, Dovrel";

// Initialises the application object, sets the title, creates Form1, AboutBox and Form2 in
// this order, runs the message loop and returns when the main window has closed. setUp runs
// once the application object is initialised, before the windows are created (a program
// chooses its bus and plugs its devices there). createMainWindow, when given, creates Form1
// in place of the plain creation (the English build shapes its window first). language is
// the build's language, which the toolkit's own dialogs are shown in.
// While another copy works with the program's folder, its journal or its curve folder (by
// whatever name), a box says so and 1 is returned at once: no window is made and nothing is
// written. Where that cannot be made sure of (a lock that cannot be taken), the operator
// chooses whether to go on.
int ProgramEntry(const std::function<void()>& setUp = {},
                 const std::function<void()>& createMainWindow = {},
                 const std::string& language = "ru");

} // namespace app
