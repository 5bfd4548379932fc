#include "TWebLinks.h"

#include "TDialogParts.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenWebPage(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

bool OpenInstallFile(const std::string& installFolder, const std::string& name) {
    // An empty install folder would make the name relative to whatever the working directory
    // is: the file is looked for in the install folder only.
    if (installFolder.empty()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(FromBytes(installFolder + "/" + name)));
}
