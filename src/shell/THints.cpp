#include "THints.h"

#include "TSettingsStore.h"

const std::vector<TFirstUseHint>& FirstUseHintTable() {
    using namespace hint;
    static const std::vector<TFirstUseHint> table = {
        {kFirstTimeFirst, kTextWelcome, kCtlCreateAlbumLink},
        {kFirstTimeAnotherOpen, kTextAnotherOpen, kCtlOpenAlbumLink},
        {kFirstTimeOpenAlbum, kTextOpenAlbum, kCtlAlbumImportButton},
        {kFirstTimeImport, kTextImport, kCtlAddToButton},
        {kFirstTimeImportPhoto, kTextImportPhoto, kCtlPhotoList},
        {kFirstTimeOpenPhoto, kTextOpenPhoto, kCtlAlbumShareButton},
    };
    return table;
}

THints::THints(TSettingsStore& settings, THintPresenter& presenter, THelp& help, THintPosition position)
    : settings_(settings), presenter_(presenter), help_(help), position_(position) {}

bool THints::ShowFirstUseHint(const std::string& flag, const std::string& text, const std::string& control) {
    if (settings_.ReadBool(hint::kSection, flag, false)) return false;
    presenter_.ShowHint(text, control, position_);
    settings_.WriteBool(hint::kSection, flag, true);
    return true;
}

bool THints::AutoHelpOnFirstShow(const std::string& flag, const std::string& suffix, THelpOwner owner) {
    if (settings_.ReadBool(hint::kSection, flag, false)) return false;
    help_.ShowHelpTopic(owner, suffix);
    settings_.WriteBool(hint::kSection, flag, true);
    return true;
}

void THints::ShowStartupHints() {
    const auto& table = FirstUseHintTable();
    // Second start: the welcome hint has been seen, the open-album hint not yet.
    if (settings_.ReadBool(hint::kSection, hint::kFirstTimeFirst, false)) ShowFirstUseHint(table[1]);
    // First start.
    ShowFirstUseHint(table[0]);
}
