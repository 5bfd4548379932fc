#include "TComboPopup.h"

#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QStyleFactory>

namespace {

class TListPopupStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void UseListPopup(QComboBox* box) {
    // The proxy looks like the application's style in every other respect.
    auto* style = new TListPopupStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(box);
    box->setStyle(style);
}
