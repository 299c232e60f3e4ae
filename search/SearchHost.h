#pragma once

#include <string>

// What a search run needs from the user interface and the desktop. The main
// dialog implements it; tests use a recording fake. All calls are made on the
// run's own thread and must return before the run continues.
class SearchHost {
public:
    virtual ~SearchHost() = default;

    // Copies the texts of all six controls into the fields.
    virtual void Pull() = 0;
    // Copies all six fields into their controls and paints them at once,
    // without handling any input.
    virtual void Push() = 0;
    // Modal message box with one OK button and the application's name as
    // caption; returns once the user has closed it. `text` is UTF-8.
    virtual void ShowMessage(const std::string& text) = 0;
    // Asks the desktop to open `fileName` (relative to the working directory)
    // in the user's viewer; does not wait and reports nothing.
    virtual void OpenWithShell(const std::string& fileName) = 0;
};
