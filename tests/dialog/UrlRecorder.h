#pragma once

#include <QObject>
#include <QUrl>
#include <vector>

// Stands in for the desktop while it lives: every file URL that
// QDesktopServices::openUrl is asked to open is recorded instead of being
// handed to xdg-open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder();
    ~UrlRecorder() override;

    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url);
};
