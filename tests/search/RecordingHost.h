#pragma once

#include <string>
#include <vector>

#include "DialogFields.h"
#include "SearchHost.h"

// A SearchHost that stands in for the dialog: Pull copies in what the "controls"
// hold, Push snapshots the fields, and every call is logged in order, e.g.
// "Pull", "Push", "Message:範囲が不当です", "Open:2-100.txt".
class RecordingHost : public SearchHost {
public:
    explicit RecordingHost(DialogFields& fields) : fields_(fields) {}

    // What the controls show; Pull copies it into the fields.
    DialogFields controls;
    std::vector<std::string> calls;
    std::vector<DialogFields> pushes;
    std::vector<std::string> messages;

    void Pull() override {
        calls.push_back("Pull");
        fields_ = controls;
    }
    void Push() override {
        calls.push_back("Push");
        pushes.push_back(fields_);
        controls = fields_;
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
