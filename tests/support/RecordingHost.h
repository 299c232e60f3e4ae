#pragma once

#include <functional>
#include <string>
#include <vector>

#include "DialogFields.h"
#include "RunSearch.h"
#include "SearchHost.h"
#include "WorkDirListing.h"

// A SearchHost that stands in for the dialog: Pull copies in what the "controls"
// hold, Push snapshots the fields, and every call is logged in order, e.g.
// "Pull", "Push", "Message:範囲が不当です", "Open:2-100.txt". `atPush`, if set,
// is called after each push with its number (1, 2, 3): what happens on the
// desktop while the run goes on.
class RecordingHost : public SearchHost {
public:
    explicit RecordingHost(DialogFields& fields) : fields_(fields) {}

    // What the controls show; Pull copies it into the fields.
    DialogFields controls;
    std::vector<std::string> calls;
    std::vector<DialogFields> pushes;
    std::vector<std::string> messages;
    std::function<void(int push)> atPush;

    void Pull() override {
        calls.push_back("Pull");
        fields_ = controls;
    }
    void Push() override {
        calls.push_back("Push");
        pushes.push_back(fields_);
        controls = fields_;
        if (atPush) {
            atPush(static_cast<int>(pushes.size()));
        }
    }
    void ShowMessage(const std::string& text) override {
        calls.push_back("Message:" + text);
        messages.push_back(text);
    }
    void OpenWithShell(const std::string& fileName) override {
        calls.push_back("Open:" + fileName);
    }

private:
    DialogFields& fields_;
};

// A run from a freshly started dialog with `typed` in the upper-bound field.
struct RecordedRun {
    DialogFields fields;
    RecordingHost host{fields};

    explicit RecordedRun(const std::string& typed) {
        host.controls.m_strUpper = typed;
        host.controls.m_strLower = "2";
        host.controls.m_strState = "入力待ち";
    }
    void Start(FileLayer& files = SystemFileLayer()) { RunSearch(fields, host, files); }

    // "calls=... states=... count=... files=..." as the user and the disk see
    // it; `files` as given, else the working directory's.
    std::string Report(const std::string& files) const {
        std::string calls;
        for (const std::string& c : host.calls) {
            calls += (calls.empty() ? "" : ",") + c;
        }
        std::string states;
        for (const DialogFields& p : host.pushes) {
            states += (states.empty() ? "" : ",") + p.m_strState;
        }
        return Reported(calls, states, host.controls.m_strCount, files);
    }
    std::string Report() const { return Report(ListWorkDir(host.controls)); }
    static std::string Reported(const std::string& calls, const std::string& states,
                                const std::string& count, const std::string& files) {
        return "calls=" + calls + "\nstates=" + states + "\ncount=" + count + "\nfiles=" + files;
    }
};

// The calls of a run that wrote `name`, and of one that could not.
inline std::string Succeeded(const std::string& name) {
    return "Pull,Push,Push,Open:" + name + ",Push";
}
inline std::string FailedToWrite(const std::string& name) {
    return "Pull,Push,Push,Push,Message:ファイル " + name + " を書き込めませんでした";
}
// Another instance was writing the list.
inline std::string FoundInUse(const std::string& name) {
    return "Pull,Push,Push,Push,Message:ファイル " + name +
           " は他のプログラムが書き込み中のため書き込めませんでした";
}
inline const std::string kAllStates = "処理中,ファイル出力中,入力待ち";
