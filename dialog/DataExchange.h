#pragma once

#include <QWidget>
#include <functional>
#include <string>

// One pass of data exchange between a dialog's controls and its string
// members. `saveAndValidate` true copies controls into members (pull), false
// members into controls (push). The control lookup must outlive the pass.
class DataExchange {
public:
    using ControlLookup = std::function<QWidget*(int id)>;

    DataExchange(bool saveAndValidate, ControlLookup lookup)
        : m_bSaveAndValidate(saveAndValidate), m_lookup(std::move(lookup)) {}

    bool saveAndValidate() const { return m_bSaveAndValidate; }
    QWidget* Control(int id) const { return m_lookup(id); }

private:
    bool m_bSaveAndValidate;
    ControlLookup m_lookup;
};

// Exchanges the text of the edit or label `id` with `value` (UTF-8). A push
// sets only a text that differs and repaints that control at once, without
// handling any input, so a run that pushes shows its state while it works.
void DDX_Text(const DataExchange& dx, int id, std::string& value);
