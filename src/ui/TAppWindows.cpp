#include "TAppWindows.h"

#include "frmMainU.h"
#include "frmPrefs2U.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

void ApplyLookAndFeel(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create("Fusion")) app.setStyle(fusion);
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(8);
    app.setFont(f);
}

TAppWindows::TAppWindows(TSettingsStore& settings, TMessages& messages, std::string documentsFolder,
                         std::vector<std::string> args)
    : main_(std::make_unique<TfrmMain>(settings, messages, std::move(documentsFolder))) {
    main_->SetArguments(std::move(args));
    prefs_ = new TfrmPrefs2(settings, messages, main_.get());
    main_->SetPrefs(prefs_);
    main_->ApplyStoredOptions();
}

TAppWindows::~TAppWindows() = default;
