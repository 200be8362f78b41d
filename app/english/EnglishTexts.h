#pragma once
// The English build's texts: the main screen's captions, the journal header, the run
// messages, the notices and the report lines. The texts it keeps from the Russian build are
// the Russian ones byte for byte.
#include "app/Texts.h"
#include "app/core/ReportPage.h"

namespace english {

extern const app::TTexts EnglishTexts;

// The lines of the two printed reports.
const core::TReportTexts& EnglishReportTexts();

} // namespace english
