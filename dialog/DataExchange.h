#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

// One pass of data exchange between a dialog's controls and its string
// members. `saveAndValidate` true copies controls into members (pull), false
// members into controls (push). The control lookup, and the controls a push
// changed, must outlive the pass.
class DataExchange {
public:
    using ControlLookup = std::function<QWidget*(int id)>;

    DataExchange(bool saveAndValidate, ControlLookup lookup)
        : m_bSaveAndValidate(saveAndValidate), m_lookup(std::move(lookup)) {}

    bool saveAndValidate() const { return m_bSaveAndValidate; }
    QWidget* Control(int id) const { return m_lookup(id); }

    // A push notes each control whose text it changed, in exchange order.
    void MarkChanged(QWidget* control) { m_changed.push_back(control); }
    const std::vector<QWidget*>& changed() const { return m_changed; }

private:
    bool m_bSaveAndValidate;
    ControlLookup m_lookup;
    std::vector<QWidget*> m_changed;
};

// Exchanges the text of the edit or label `id` with `value` (UTF-8). A push
// sets only a text that differs and marks that control changed.
void DDX_Text(DataExchange& dx, int id, std::string& value);
