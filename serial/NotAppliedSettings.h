// The line settings that a port did not take although the system accepted the call: a driver
// takes what it can (a speed it cannot do, for one, it keeps or replaces), so what it holds
// afterwards is compared with what was asked, setting by setting.
#pragma once

#include <string>

class TNotAppliedSettings {
public:
    // Notes the setting Name unless Applied.
    void Check(bool Applied, const char* Name);
    // Why the settings did not take, naming each that did not; empty when all took.
    std::string Text() const;

private:
    std::string Names;
};
