#include "TQtMessages.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

TQtMessages::TQtMessages(QWidget* parent) : parent_(parent) {}

QString TQtMessages::ToQt(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string TQtMessages::FromQt(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

void TQtMessages::Prepare(QMessageBox& box, const std::string& caption, const std::string& text,
                          TMsgIcon icon, TMsgButtons buttons) {
    box.setWindowTitle(ToQt(caption));
    QString shown = ToQt(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setAccessibleName(ToQt(caption));
    box.setAccessibleDescription(shown);

    switch (icon) {
        case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }

    switch (buttons) {
        case TMsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case TMsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case TMsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            break;
        case TMsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
}

TMsgResult TQtMessages::ResultOf(int standardButton, TMsgButtons buttons) {
    switch (standardButton) {
        case QMessageBox::Ok: return TMsgResult::Ok;
        case QMessageBox::Cancel: return TMsgResult::Cancel;
        case QMessageBox::Yes: return TMsgResult::Yes;
        case QMessageBox::No: return TMsgResult::No;
        default: break;
    }
    switch (buttons) {
        case TMsgButtons::Ok: return TMsgResult::Ok;
        case TMsgButtons::YesNo: return TMsgResult::No;
        case TMsgButtons::OkCancel:
        case TMsgButtons::YesNoCancel: return TMsgResult::Cancel;
    }
    return TMsgResult::Cancel;
}

TMsgResult TQtMessages::Show(const std::string& caption, const std::string& text, TMsgIcon icon,
                             TMsgButtons buttons) {
    QMessageBox box(parent_.data());
    box.setObjectName("messageBox");
    Prepare(box, caption, text, icon, buttons);
    box.exec();
    return ResultOf(box.standardButton(box.clickedButton()), buttons);
}

namespace {

std::string RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                          const std::string& caption, const std::string& start, const std::string& filter,
                          const std::string& suffix = "") {
    QFileDialog dialog(parent, TQtMessages::ToQt(caption), TQtMessages::ToQt(start));
    dialog.setObjectName("fileDialog");
    dialog.setAcceptMode(mode);
    // The dialog adds the extension to the names it hands back before it asks about replacing
    // an existing file.
    if (!suffix.empty()) dialog.setDefaultSuffix(TQtMessages::ToQt(suffix));
    dialog.setFileMode(fileMode);
    if (fileMode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly, true);
    else if (!filter.empty()) dialog.setNameFilter(TQtMessages::ToQt(filter));
    if (dialog.exec() != QDialog::Accepted) return "";
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return "";
    return TQtMessages::FromQt(chosen.first());
}

}  // namespace

std::string TQtMessages::OpenFileName(const std::string& caption, const std::string& startFolder,
                                      const std::string& filter) {
    return RunFileDialog(parent_.data(), QFileDialog::AcceptOpen, QFileDialog::ExistingFile, caption,
                         startFolder, filter);
}

std::string TQtMessages::SaveFileName(const std::string& caption, const std::string& startPath,
                                      const std::string& filter) {
    return RunFileDialog(parent_.data(), QFileDialog::AcceptSave, QFileDialog::AnyFile, caption, startPath,
                         filter);
}

std::string TQtMessages::SaveFileNameWithSuffix(const std::string& caption, const std::string& startPath,
                                                const std::string& filter, const std::string& suffix) {
    return RunFileDialog(parent_.data(), QFileDialog::AcceptSave, QFileDialog::AnyFile, caption, startPath,
                         filter, suffix);
}

std::string TQtMessages::BrowseFolder(const std::string& caption, const std::string& startFolder) {
    return RunFileDialog(parent_.data(), QFileDialog::AcceptOpen, QFileDialog::Directory, caption,
                         startFolder, "");
}

std::string TQtMessages::BrowseFolderWithText(const std::string& caption, const std::string& instruction,
                                              const std::string& startFolder) {
    QDialog outer(parent_.data());
    outer.setObjectName("browseDialog");
    outer.setWindowTitle(ToQt(caption));
    outer.setAccessibleName(ToQt(caption));
    auto* text = new QLabel(ToQt(instruction), &outer);
    text->setObjectName("browseText");
    text->setWordWrap(true);
    // Qt's own folder view, embedded: the platform dialog has no room for an instruction.
    auto* folders = new QFileDialog(&outer, QString(), ToQt(startFolder));
    folders->setObjectName("fileDialog");
    folders->setWindowFlags(Qt::Widget);
    folders->setOption(QFileDialog::DontUseNativeDialog, true);
    folders->setFileMode(QFileDialog::Directory);
    folders->setOption(QFileDialog::ShowDirsOnly, true);
    auto* status = new QLabel(ToQt(startFolder), &outer);
    status->setObjectName("browseStatus");
    status->setTextFormat(Qt::PlainText);
    QObject::connect(folders, &QFileDialog::currentChanged, status, [status](const QString& path) {
        status->setText(path);
    });
    QObject::connect(folders, &QFileDialog::finished, &outer, &QDialog::done);
    auto* layout = new QVBoxLayout(&outer);
    layout->addWidget(text);
    layout->addWidget(folders, 1);
    layout->addWidget(status);
    if (outer.exec() != QDialog::Accepted) return "";
    const QStringList chosen = folders->selectedFiles();
    if (chosen.isEmpty()) return "";
    return FromQt(chosen.first());
}
