#include "serial/NotAppliedSettings.h"

#include "common/ResourseStrings.h"

void TNotAppliedSettings::Check(bool Applied, const char* Name) {
    if (!Applied) {
        Names += Names.empty() ? "" : ", ";
        Names += Name;
    }
}

std::string TNotAppliedSettings::Text() const {
    return Names.empty() ? std::string() : FormatText(SCommPortSettingsNotApplied, Names.c_str());
}
