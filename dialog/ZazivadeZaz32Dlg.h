#pragma once

#include <QDialog>
#include <QIcon>
#include <map>
#include <string>

#include "DataExchange.h"
#include "DialogFields.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "SearchHost.h"
#include "SpareDescriptor.h"

class QKeyEvent;
class QShowEvent;

// The program's only window, built from the template IDD_TAVRO_DIALOG: the
// results of the last run, the state line, the range and the start button. It
// owns its DialogFields and is the SearchHost of the runs it starts; its
// controls are its children. Needs a QApplication for its whole life.
class CTavroDlg : public QDialog, public SearchHost {
    Q_OBJECT

public:
    explicit CTavroDlg(QWidget* pParent = nullptr);
    ~CTavroDlg() override;

    // Shows the dialog application-modal and returns when it has ended:
    // QDialog::Accepted (OK) or QDialog::Rejected (cancel).
    int DoModal();

    // The control with template id `id`; null for IDC_STATIC or an unknown id.
    QWidget* GetDlgItem(int id) const;
    // One data exchange pass: true copies the controls into the fields, false
    // the fields into the controls, which the event loop then repaints.
    // Always succeeds (nothing is validated).
    bool UpdateData(bool bSaveAndValidate = true);

    const DialogFields& fields() const { return m_fields; }
    const DialogUnits& dialogUnits() const { return m_units; }

    // SearchHost: the search run reaches the dialog only through these.
    void Pull() override;
    void Push() override;
    void ShowMessage(const std::string& text) override;
    void OpenWithShell(const std::string& fileName) override;

protected:
    virtual void DoDataExchange(DataExchange& dx);
    // Runs once, when the dialog is first shown; true gives the focus to the
    // first tab stop in template order.
    virtual bool OnInitDialog();

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls(const DialogTemplate& dlgTemplate);
    void FocusFirstTabStop();
    // Enter anywhere but on a button: pull the fields and end as OK.
    void OnOK();
    // The command dispatch around OnStart: no exception leaves it; each is
    // reported in a message box and the dialog stays open.
    void DispatchStart();
    void OnStart();

    DialogFields m_fields;
    QIcon m_hIcon;
    const DialogTemplate& m_template;
    DialogUnits m_units;
    std::map<int, QWidget*> m_controls;  // children, owned by the dialog
    bool m_bInitDone = false;
    desktop::SpareDescriptor m_spare;
};
