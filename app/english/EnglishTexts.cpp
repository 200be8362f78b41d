#include "app/english/EnglishTexts.h"

namespace english {

const core::TReportTexts& EnglishReportTexts() {
    static const core::TReportTexts texts{
        "<title>Dovrel</title>",
        "<h1>Dovrel</h1>",
        "<td align=center><b>Opacity</b></td>",
        "<td align=center><b>Solidification</b></td>",
        "<td align=center><b>CFPP(*)</b></td>",
        "<b><font size=+1> Comment:",
        {
            "<td align=center width=10><b>№</b></td>",
            // This head cell does not close its bold.
            "<td align=center><b>Date</td>",
            "<td align=center><b>Opacity</b></td>",
            "<td align=center><b>Solidification</b></td>",
            "<td align=center><b>CFPP(*)</b></td>",
            "<td align=center><b>Info</b></td>",
        },
    };
    return texts;
}

const app::TTexts EnglishTexts = {
    .NotConnectedCommand = "The device is not connected!",
    .NotConnectedPoll = "Device not connected !",
    .NotConnectedRun = "Device not connected !",

    .StateRecovering = "The measurement is complete. There is a recovery of temperature!",
    .StateReady = "The device is ready for operation!",
    .State1 = "Для запуска определения температуры помутнения нажмите \"ПУСК\" !",
    .State2 = "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !",
    .State3 = "Click RUN to continue",
    .State4 = "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !",
    .State5 = "The measurement is complete",
    .State20 = "Defining the temperature of the device ...",
    .State30 = "Search the CFPP ...",
    .State40 = "Search temperature cloud point, pour point, CFPP...",
    .State50 = "Определение предельной температуры фильтруемости...",
    .State100 = "The device is not ready !",

    .RunSecondsPrefix = "Measurement time(sek.)=",

    .JournalHeader = {"№", "Date", "Opacity", "Freezing", "CFPP", "Comment"},

    .FormCaption = "Analyzer cloud point and pour point of diesel fuel Dovrel",
    .TabSheet1 = "Temperature",
    .TabSheet2 = "Optical transmission , temperature",
    .TabSheet3 = "Speed optical transmission",
    .GroupBox1 = "Temper",
    .GroupBox4 = "Optical transmission",
    .GroupBox2 = "Opacity temperature",
    .GroupBox3 = "Freezing temperature",
    .GroupBox5 = "CFPP",
    .N1 = "File",
    .N3 = "Print",
    .N2 = "Exit",
    .ToolButton4 = "Show/Hide graph",
    .ToolButton2 = "Print...",
    .ToolButton1 = "Delete record...",
    .BitBtn3 = "POUR OFF",
    .BitBtn2 = "STOP",
    .BitBtn1 = "RUN",
    .Chart1Title = "Temperature",
    .Chart1Foot = "Measurement",
    .Chart1LeftAxis = "Optical transmission",
    .Chart2Title = "Optical transmission",
    .Chart2Foot = "Temperature",
    .Chart2LeftAxis = "Optical transmission",
    .Chart3Title = "Speed optical transmission",
    .Chart3Foot = "Temperature",
    .Chart3LeftAxis = "Speed ",

    .Reports = &EnglishReportTexts(),
    .JournalKept =
        "The journal data2.tab was not read in full. Its previous content was kept "
        "in the file ",
    .CurveFilesKept = "The curve files of records that are not in the journal were kept as:",
    .JournalNotKept =
        "The previous content of the journal data2.tab, which was not read in "
        "full, cannot be kept anywhere. Write the journal without it? The part "
        "that was not read will be lost.\n",
    .CharsNotKept =
        "The journal data2.tab cannot hold the characters %s: they were written as \"?\".",
    .SecondCopy =
        "Another copy of the program works with the journal in the folder %s. This "
        "copy closes without writing anything.",
    .CopyLockFailed =
        "Cannot make sure that no other copy of the program works with the journal: %s. If "
        "another copy works with the same journal, the records of one of the copies will be "
        "lost. Go on?",
    .CurvesWithoutLine =
        "The curve files of records %s are written to the gr folder, but the records are only "
        "in the program's window: they are not written to data2.tab.",

    .UnsupportedReportLength = "Output report length %u is not supported",
};

} // namespace english
