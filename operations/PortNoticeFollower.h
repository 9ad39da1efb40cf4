// What the program does when a serial port device arrives or leaves: an arriving port is tried
// (set and initialised) and kept only when a programmer answers; the departure of the port in
// use falls back to COM1. A notice that comes while an operation runs is held and handled once
// the operation has ended, so that the port never changes in the middle of one (the departed
// device itself ends the running exchange, as a vanished device does).
#pragma once

#include <deque>
#include <string>
#include <vector>

class THeadManager;
class TInfoRichEdit;

class TPortNoticeFollower {
public:
    // Notices held at most while an operation runs; older ones are dropped first.
    static constexpr std::size_t MaxHeldNotices = 32;

    TPortNoticeFollower(THeadManager& Head, TInfoRichEdit& Info);

    // Name: the port's device node, e.g. /dev/ttyUSB0.
    void PortArrived(const std::string& Name);
    // OtherNames: further names of the same device (its symbolic links), when known.
    void PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames = {});
    // Handles the notices held back while an operation ran, in their order, once none runs.
    void HandleHeldNotices();
    std::size_t GetHeldCount() const { return Held.size(); }

private:
    struct TNotice {
        bool Arrived = false;
        std::string Name;
        std::vector<std::string> OtherNames;
    };

    void Handle(const TNotice& Notice);
    void Arrive(const std::string& Name);
    void Remove(const std::string& Name, const std::vector<std::string>& OtherNames);

    THeadManager& Head;
    TInfoRichEdit& Info;
    std::deque<TNotice> Held;
};
