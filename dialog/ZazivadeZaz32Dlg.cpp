#include "ZazivadeZaz32Dlg.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QRegion>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

#include "CompositorLoss.h"
#include "DialogFont.h"
#include "DisplayFlush.h"
#include "FieldExchange.h"
#include "FrontEndTexts.h"
#include "IconResource.h"
#include "RunSearch.h"
#include "SearchLimits.h"
#include "SearchTexts.h"
#include "ViewerRequest.h"
#include "resource.h"

namespace {

struct AccessibleText {
    int id;
    const char* name;         // for the edits, which have no text of their own
    const char* description;  // for the result fields, whose name is their text
    const char* label;        // the static text that labels it on screen, if any
};

// The lower bound has no label on screen; "～" reads as "up to" before the
// upper bound.
constexpr AccessibleText kAccessibleTexts[] = {
    {IDC_LOWER, "下限", nullptr, nullptr},
    {IDC_UPPER, "上限", nullptr, "tilde"},
    {IDC_COUNT, nullptr, "素数の数", "countLabel"},
    {IDC_ELAPSED, nullptr, "処理時間", "elapsedLabel"},
    {IDC_STATE, nullptr, "状態", "stateLabel"},
    {IDC_FILETIME, nullptr, "ファイル出力時間", "fileTimeLabel"},
};

// One pass over the texts the dialog shows, enlarging where one would not fit
// its control.
void FitStaticTexts(const DialogTemplate& dlgTemplate, const QFontMetrics& metrics,
                    DialogUnits& units) {
    for (const DialogControlTemplate& control : dlgTemplate.controls) {
        if (control.kind != ControlKind::kStatic) {
            continue;
        }
        units.EnlargeToFit(metrics.horizontalAdvance(QString::fromUtf8(control.text)),
                           control.rect);
        if (control.id == IDC_STATE) {
            for (const std::string_view state :
                 {search_texts::kWaiting, search_texts::kProcessing, search_texts::kWritingFile}) {
                const QString text =
                    QString::fromUtf8(state.data(), static_cast<qsizetype>(state.size()));
                units.EnlargeToFit(metrics.horizontalAdvance(text), control.rect);
            }
        }
    }
}

// The base units of the dialog font, enlarged only where a text would not fit.
// Raising the scale for one text can move another's rounded edges by a pixel,
// so the passes repeat until one leaves the scale as it was; each raise makes
// one more text fit for good, so this ends.
DialogUnits FittedUnits(const DialogTemplate& dlgTemplate, const QFont& font) {
    DialogUnits units(font);
    const QFontMetrics metrics(font);
    double before = 0.0;
    while (units.scale() != before) {
        before = units.scale();
        FitStaticTexts(dlgTemplate, metrics, units);
    }
    return units;
}

// An edit whose text keeps the font's full height. Some styles pad an edit's
// text by more than a 12-unit edit leaves beyond its frame (Adwaita: 2 px above
// and below, inside a 3 px frame), and the edit then cuts the digits off at the
// bottom. After the style has had its say, the vertical text margins are cut
// back to the room the line leaves; where the text fits, the style's own
// margins stay.
class DialogEdit final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    bool event(QEvent* event) override {
        const bool handled = QLineEdit::event(event);
        switch (event->type()) {
            case QEvent::Polish:  // the style sets its margins here
            case QEvent::StyleChange:
            case QEvent::FontChange:
            case QEvent::Resize:
                FitTextMargins();
                break;
            default:
                break;
        }
        return handled;
    }

private:
    void FitTextMargins() {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const int room =
            style()->subElementRect(QStyle::SE_LineEditContents, &option, this).height() -
            fontMetrics().height();
        QMargins margins = textMargins();
        if (margins.top() + margins.bottom() <= room) {
            return;
        }
        margins.setTop(std::max(room, 0) / 2);
        margins.setBottom(std::max(room, 0) - margins.top());
        setTextMargins(margins);
    }
};

QWidget* CreateControl(const DialogControlTemplate& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    const Qt::Alignment horizontal =
        (control.styles & kStyleAlignRight) ? Qt::AlignRight : Qt::AlignLeft;
    switch (control.kind) {
        case ControlKind::kPushButton: {
            auto* button = new QPushButton(text, parent);
            // Enter in an edit must not press a button; Enter on the button
            // is handled by the dialog.
            button->setAutoDefault(false);
            button->setDefault(false);
            return button;
        }
        case ControlKind::kEdit: {
            auto* edit = new DialogEdit(text, parent);
            edit->setFrame((control.styles & kStyleBorder) != 0);
            edit->setReadOnly((control.styles & kStyleReadOnly) != 0);
            edit->setAlignment(horizontal | Qt::AlignVCenter);
            if (edit->isReadOnly()) {
                // Greyed like a read-only edit, so it does not look typeable.
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                edit->setPalette(palette);
            }
            return edit;
        }
        case ControlKind::kStatic:
            break;
    }
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    // Static texts sit at the top of their rectangle, so a label and its
    // value share a baseline even where their heights differ.
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

}  // namespace

CTavroDlg::CTavroDlg(QWidget* pParent)
    : QDialog(pParent),
      m_hIcon(LoadIconResource(IDR_MAINFRAME)),
      m_template(TavroDialogTemplate()),
      m_units(FittedUnits(m_template, DialogFont(m_template))) {
    setFont(DialogFont(m_template));
    setWindowTitle(QString::fromUtf8(m_template.caption));
    // A normal top-level window (own taskbar entry) with a close and a
    // minimize box; the fixed size leaves no resizing and no maximizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(m_units.MapSize(m_template.rect.cx, m_template.rect.cy));
    CreateControls(m_template);
    // A message box's OK button takes its icon from the icon theme, whose cache
    // stays open once read. Read it while the window starts, so that a box
    // needs no descriptor beyond the spare lent to it.
    static_cast<void>(style()->standardIcon(QStyle::SP_DialogOkButton));
    connect(qobject_cast<QPushButton*>(GetDlgItem(IDC_START)), &QPushButton::clicked, this,
            &CTavroDlg::DispatchStart);
}

CTavroDlg::~CTavroDlg() = default;

int CTavroDlg::DoModal() {
    return exec();
}

QWidget* CTavroDlg::GetDlgItem(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

bool CTavroDlg::UpdateData(bool bSaveAndValidate) {
    DataExchange dx(bSaveAndValidate, [this](int id) { return GetDlgItem(id); });
    DoDataExchange(dx);
    return true;
}

void CTavroDlg::Pull() {
    UpdateData(true);
}

void CTavroDlg::Push() {
    // A run does not return to the event loop, which would paint the new
    // texts: they are painted here, and the frame sent to the display server,
    // without handling any input.
    DataExchange dx(false, [this](int id) { return GetDlgItem(id); });
    DoDataExchange(dx);
    if (dx.changed().empty() || desktop::DisplayLost()) {
        return;
    }
    const QRegion changed = std::accumulate(
        dx.changed().begin(), dx.changed().end(), QRegion(),
        [this](QRegion region, QWidget* control) {
            return region += QRect(control->mapTo(this, QPoint(0, 0)), control->size());
        });
    const desktop::SpareDescriptor::Lent forPainting(m_spare);
    // One repaint for the whole push: one frame, so the fields of a push
    // appear together and a run uses few of the window's buffers.
    repaint(changed);
    desktop::FlushDisplay();
}

void CTavroDlg::ShowMessage(const std::string& text) {
    const desktop::SpareDescriptor::Lent forPainting(m_spare);
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void CTavroDlg::OpenWithShell(const std::string& fileName) {
    // Whether the viewer could be started is not the run's concern.
    static_cast<void>(desktop::RequestViewer(fileName));
}

void CTavroDlg::DoDataExchange(DataExchange& dx) {
    for (const FieldBinding& binding : kFieldExchange) {
        DDX_Text(dx, binding.id, m_fields.*binding.field);
    }
}

bool CTavroDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    m_fields.m_strLower = std::to_string(kLowerBound);
    m_fields.m_strState = search_texts::kWaiting;
    UpdateData(false);
    return true;
}

void CTavroDlg::showEvent(QShowEvent* event) {
    if (!m_bInitDone) {
        m_bInitDone = true;
        if (OnInitDialog()) {
            FocusFirstTabStop();
        }
    }
    QDialog::showEvent(event);
}

void CTavroDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (!enter || !plain) {
        QDialog::keyPressEvent(event);  // Escape ends the dialog as cancel
        return;
    }
    // The focused button, if any, is pressed; anywhere else Enter means OK.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();
        return;
    }
    OnOK();
}

void CTavroDlg::CreateControls(const DialogTemplate& dlgTemplate) {
    // Creation order is the tab order and the stacking order.
    for (const DialogControlTemplate& control : dlgTemplate.controls) {
        QWidget* widget = CreateControl(control, this);
        widget->setObjectName(QString::fromUtf8(control.symbol));
        widget->setGeometry(m_units.MapRect(control.rect));
        if (control.kind != ControlKind::kStatic) {
            widget->setFocusPolicy((control.styles & kStyleTabStop) ? Qt::StrongFocus
                                                                    : Qt::ClickFocus);
        }
        if (control.id != IDC_STATIC) {
            m_controls[control.id] = widget;
        }
    }
    for (const AccessibleText& entry : kAccessibleTexts) {
        QWidget* widget = GetDlgItem(entry.id);
        if (entry.name != nullptr) {
            widget->setAccessibleName(QString::fromUtf8(entry.name));
        }
        if (entry.description != nullptr) {
            widget->setAccessibleDescription(QString::fromUtf8(entry.description));
        }
        // Qt's accessibility reports a label's buddy as the control it labels
        // (labelled-by and label-for over AT-SPI), so a screen reader reads the
        // value with its label. No label has a mnemonic: the buddy binds no key.
        if (entry.label != nullptr) {
            findChild<QLabel*>(QString::fromLatin1(entry.label), Qt::FindDirectChildrenOnly)
                ->setBuddy(widget);
        }
    }
}

void CTavroDlg::FocusFirstTabStop() {
    const auto& controls = m_template.controls;
    const auto first = std::find_if(controls.begin(), controls.end(), [this](const auto& control) {
        return (control.styles & kStyleTabStop) != 0 && GetDlgItem(control.id) != nullptr;
    });
    if (first != controls.end()) {
        GetDlgItem(first->id)->setFocus(Qt::OtherFocusReason);
    }
}

void CTavroDlg::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    accept();
}

void CTavroDlg::DispatchStart() {
    std::string_view failure;
    {
        // A Wayland compositor gone before the run means no run; one gone
        // during it ends the process once the run has ended.
        const desktop::RunInProgress run;
        if (!run.admitted()) {
            return;
        }
        // The spare descriptor is held while the run's files may take the
        // last ones, and given back before any message of this dispatch.
        m_spare.Take();
        failure = front_end_texts::FailureOf([this] { OnStart(); });
        m_spare.GiveBack();
    }
    if (failure.empty()) {
        return;
    }
    try {
        ShowMessage(std::string(failure));
    } catch (...) {
        // Not even the message box could be made; the dialog carries on.
    }
}

void CTavroDlg::OnStart() {
    RunSearch(m_fields, *this);
}
