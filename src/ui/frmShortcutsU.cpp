#include "frmShortcutsU.h"

#include "TKeyTable.h"
#include "frmMainU.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmShortcuts::TfrmShortcuts(TfrmMain& main) : QDialog(&main), main_(main) {
    setObjectName("frmShortcuts");
    setWindowTitle("Keyboard Shortcuts");
    setAccessibleName("Keyboard Shortcuts");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lstKeys = new QTreeWidget(this);
    lstKeys->setObjectName("lstKeys");
    lstKeys->setAccessibleName("Keyboard shortcuts");
    lstKeys->setColumnCount(2);
    lstKeys->setHeaderLabels({"Keys", "Does"});
    lstKeys->setRootIsDecorated(false);
    lstKeys->setSelectionMode(QAbstractItemView::NoSelection);
    lstKeys->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lstKeys->header()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName("btnClose");
    buttons->button(QDialogButtonBox::Close)->setAccessibleName("Close");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstKeys, 1);
    layout->addWidget(buttons);
    resize(460, 700);
    Fill();
}

void TfrmShortcuts::Fill() {
    lstKeys->clear();
    TKeyPlace place{};
    bool first = true;
    for (const TKeyBinding& b : KeyTable()) {
        if (first || b.place != place) {
            // A heading row for each place.
            auto* heading = new QTreeWidgetItem(lstKeys, {KeyPlaceName(b.place)});
            heading->setFirstColumnSpanned(true);
            QFont f = heading->font(0);
            f.setBold(true);
            heading->setFont(0, f);
            place = b.place;
            first = false;
        }
        QString what = b.what;
        if (what.isEmpty())
            if (QAction* a = main_.Command(b.command)) what = a->text();
        const QList<QKeySequence> keys = BindingKeys(b);
        auto* row = new QTreeWidgetItem(lstKeys, {KeysText(keys), what});
        // The command and the keys in portable form, for whoever reads the list back.
        QStringList portable;
        for (const QKeySequence& k : keys) portable << k.toString(QKeySequence::PortableText);
        row->setData(0, Qt::UserRole, QString(b.command));
        row->setData(0, Qt::UserRole + 1, portable);
    }
}
