#include "TPhotoProperties.h"

#include <utility>

#include "TCatalog.h"

namespace {
const char* const kCatalogFile = "data.mlb";
}

TPhotoProperties::TPhotoProperties(TCatalog& catalog) : catalog_(catalog) {}

bool TPhotoProperties::PhotoShown(int row) {
    TMlb2& album = catalog_.AlbumTable();
    if (row < 0 || !album.GoTo(row + 1)) {
        shownId_.clear();
        return false;
    }
    shownId_ = album.GetValue("ImgID");
    return !shownId_.empty();
}

void TPhotoProperties::PhotoShownById(const std::string& id) { shownId_ = id; }

void TPhotoProperties::NoPhotoShown() { shownId_.clear(); }

bool TPhotoProperties::FindShown() {
    if (shownId_.empty()) return false;
    TMlb2& cat = catalog_.CatalogTable();
    cat.First();
    cat.BeginSeek(TSeekDirection::Forward);
    const bool found = cat.Seek("ImgID", "=", shownId_);
    cat.EndSeek();
    return found;
}

bool TPhotoProperties::Save() { return catalog_.SaveCatalog(); }

std::optional<TPhotoProperties::TFields> TPhotoProperties::BeginProperties() {
    if (!FindShown()) return std::nullopt;
    TMlb2& cat = catalog_.CatalogTable();
    return TFields{cat.GetValue("ImgName"), cat.GetValue("ImgCredit")};
}

TPhotoProperties::TOkResult TPhotoProperties::PropertiesOk(const TFields& fields, TAlbumView& view,
                                                           int selectedRow) {
    TOkResult result;
    TMlb2& cat = catalog_.CatalogTable();
    if (FindShown()) {
        cat.SetValue("ImgName", fields.name);
        cat.SetValue("ImgCredit", fields.credit);
        result.written = Save();
    }
    result.titleBar = fields.name;
    result.credit = fields.credit;

    // Read the catalog back from the file just written. A file that cannot be read leaves the
    // table in memory as it is instead of empty; after a failed write the file holds the old
    // values, so nothing is read back over the user's edit.
    if (result.written) {
        TMlb2 reloaded;
        if (reloaded.LoadFromFile(catalog_.Root() + kCatalogFile)) cat = std::move(reloaded);
    }

    result.refresh = view.RefreshList();
    if (selectedRow >= 0 && selectedRow < view.RowCount()) result.rowToSelect = selectedRow;
    return result;
}

bool TPhotoProperties::NotesChanged(const std::string& boxText) {
    if (!FindShown()) return false;
    catalog_.CatalogTable().SetValue("ImgKeys", NotesValue(boxText));
    // Every keystroke saves: while the disk stays full, typing on in the same notes is one edit.
    return catalog_.SaveCatalog("notes of " + shownId_);
}

std::string TPhotoProperties::NotesValue(const std::string& boxText) {
    std::string out;
    out.reserve(boxText.size() + 8);
    for (std::size_t i = 0; i < boxText.size(); ++i) {
        const char c = boxText[i];
        if (c == '\r') {
            if (i + 1 < boxText.size() && boxText[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string TPhotoProperties::NotesBoxText(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r') {
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out.push_back('\n');
        } else {
            out.push_back(c);
        }
    }
    return out;
}
