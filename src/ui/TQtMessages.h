#pragma once
// The message interface on Qt: message boxes, file dialogs and the folder dialog, all modal to
// the parent window. Text crosses between the program's bytes and Qt in the local 8-bit encoding.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "TMessages.h"

class QMessageBox;

class TQtMessages : public TMessages {
public:
    explicit TQtMessages(QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }

    TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon icon,
                    TMsgButtons buttons) override;
    std::string OpenFileName(const std::string& caption, const std::string& startFolder,
                             const std::string& filter) override;
    std::string SaveFileName(const std::string& caption, const std::string& startPath,
                             const std::string& filter) override;
    std::string SaveFileNameWithSuffix(const std::string& caption, const std::string& startPath,
                                       const std::string& filter, const std::string& suffix) override;
    std::string BrowseFolder(const std::string& caption, const std::string& startFolder) override;
    // The folder dialog under the instruction text, with a status line below that shows the
    // path of the highlighted folder.
    std::string BrowseFolderWithText(const std::string& caption, const std::string& instruction,
                                     const std::string& startFolder) override;

    static QString ToQt(const std::string& bytes);
    static std::string FromQt(const QString& text);

    // Fills a message box with the caption, text, icon and buttons (the first button is the
    // default one). The text is shown as plain text, with CR LF and a lone CR as line breaks.
    static void Prepare(QMessageBox& box, const std::string& caption, const std::string& text,
                        TMsgIcon icon, TMsgButtons buttons);
    // The answer for a button the box returned; closing the box without a button gives the
    // answer of its Cancel, No or OK button, in that order of preference.
    static TMsgResult ResultOf(int standardButton, TMsgButtons buttons);

private:
    QPointer<QWidget> parent_;
};
