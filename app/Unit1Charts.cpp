// The run charts' pop-up menus: "Сохранить" writes the three run charts to curve files,
// "Загрузить" adds a curve file to one chart.
#include "app/LSgraf.h"
#include "app/Unit1.h"
#include "app/core/CurveFile.h"

void TForm1::N8Click(ui::TObject*) {
    if (!SaveDialog1->Execute())
        return;
    const std::string chosen = SaveDialog1->FileName();
    SaveChartSeries({Chart2}, core::MenuCurveFileChart2(chosen), " ");
    SaveChartSeries({Chart3}, core::MenuCurveFileChart3(chosen), " ");
    SaveChartSeries({Chart1}, core::MenuCurveFileChart1(chosen), " ");
}

namespace {

void LoadChosenFile(ui::TOpenDialog* dialog, ui::TChart* chart) {
    if (!dialog->Execute())
        return;
    LoadChartSeries({chart}, dialog->FileName());
}

} // namespace

void TForm1::N9Click(ui::TObject*) { LoadChosenFile(OpenDialog1, Chart2); }

void TForm1::N10Click(ui::TObject*) { LoadChosenFile(OpenDialog1, Chart3); }

void TForm1::N11Click(ui::TObject*) { LoadChosenFile(OpenDialog1, Chart1); }
