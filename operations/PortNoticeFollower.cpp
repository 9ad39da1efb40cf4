#include "operations/PortNoticeFollower.h"

#include "common/ResourseStrings.h"
#include "operations/HeadManager.h"
#include "operations/UIObjects.h"
#include "serial/PortNames.h"

TPortNoticeFollower::TPortNoticeFollower(THeadManager& Head, TInfoRichEdit& Info)
    : Head(Head), Info(Info) {}

void TPortNoticeFollower::PortArrived(const std::string& Name) {
    Handle({true, Name, {}});
}

void TPortNoticeFollower::PortRemoved(const std::string& Name,
                                      const std::vector<std::string>& OtherNames) {
    Handle({false, Name, OtherNames});
}

void TPortNoticeFollower::Handle(const TNotice& Notice) {
    if (Head.IsRunning() || !Held.empty()) {
        if (Held.size() == MaxHeldNotices) {
            Held.pop_front();
        }
        Held.push_back(Notice);
        HandleHeldNotices();
        return;
    }
    if (Notice.Arrived) {
        Arrive(Notice.Name);
    } else {
        Remove(Notice.Name, Notice.OtherNames);
    }
}

void TPortNoticeFollower::HandleHeldNotices() {
    // Handling a notice may run an exchange that lets the front end handle its input, and with
    // it a new notice: each is taken off the queue before it is handled.
    while (!Head.IsRunning() && !Held.empty()) {
        const TNotice Notice = Held.front();
        Held.pop_front();
        if (Notice.Arrived) {
            Arrive(Notice.Name);
        } else {
            Remove(Notice.Name, Notice.OtherNames);
        }
    }
}

void TPortNoticeFollower::Arrive(const std::string& Name) {
    Head.SetPortName(Name);
    if (Head.Initialize()) {
        Info.AddMessage(FormatText(SBurnerConnectedToPort, Name.c_str()), clBlue);
    } else {
        Head.SetPortName(SDefaultPortName);
    }
}

void TPortNoticeFollower::Remove(const std::string& Name,
                                 const std::vector<std::string>& OtherNames) {
    const std::string Current = Head.GetPortName();
    bool IsCurrent = IsSamePort(Name, Current);
    for (const std::string& Other : OtherNames) {
        IsCurrent = IsCurrent || IsSamePort(Other, Current);
    }
    if (!IsCurrent) {
        return;
    }
    Head.SetPortName(SDefaultPortName);
    Info.AddMessage(FormatText(SBurnerDisconnectedFromPort, Name.c_str()), clBlue);
}
