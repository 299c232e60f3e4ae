#include "UrlRecorder.h"

#include <QDesktopServices>

UrlRecorder::UrlRecorder() {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
}

UrlRecorder::~UrlRecorder() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void UrlRecorder::Open(const QUrl& url) {
    urls.push_back(url);
}
