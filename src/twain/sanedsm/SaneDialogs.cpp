#include "SaneDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "Twain.h"

namespace sanedsm {

namespace {

QString Text(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }
std::string Bytes(const QString& s) { return s.toLocal8Bit().toStdString(); }

}  // namespace

bool RunSourceList(const std::vector<TDeviceInfo>& devices, const std::string& current, std::string& chosen) {
    QDialog dlg;
    dlg.setObjectName("SaneSourceList");
    dlg.setWindowTitle("Select Source");
    auto* layout = new QVBoxLayout(&dlg);
    auto* caption = new QLabel(devices.empty() ? "No scanners or cameras were found." : "Sources:", &dlg);
    layout->addWidget(caption);
    auto* list = new QTreeWidget(&dlg);
    list->setObjectName("lstSources");
    list->setAccessibleName("Sources");
    list->setRootIsDecorated(false);
    list->setHeaderLabels({"Vendor", "Model", "Type", "Device"});
    for (const TDeviceInfo& d : devices) {
        auto* item = new QTreeWidgetItem(list, {Text(d.vendor), Text(d.model), Text(d.type), Text(d.name)});
        item->setData(0, Qt::UserRole, Text(d.name));
        item->setToolTip(1, Text(d.name));
        if (d.name == current) list->setCurrentItem(item);
    }
    if (!list->currentItem() && list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dlg);
    QPushButton* select = buttons->addButton("Select", QDialogButtonBox::AcceptRole);
    select->setObjectName("btnSelect");
    select->setEnabled(!devices.empty());
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    dlg.resize(480, 260);
    if (dlg.exec() != QDialog::Accepted || !list->currentItem()) return false;
    chosen = Bytes(list->currentItem()->data(0, Qt::UserRole).toString());
    return true;
}

// The preview picture with the scan area the user drags out on it (kept as fractions of the
// bed, so it stays right when the picture changes size).
std::vector<TDeviceInfo> LookForDevices() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return ListDevices();
    QWidget looking(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    looking.setObjectName("SaneLooking");
    looking.setWindowTitle("Scanners and Cameras");
    looking.setAccessibleName("Scanners and Cameras");
    looking.setWindowModality(Qt::ApplicationModal);
    auto* text = new QLabel("Looking for scanners and cameras...", &looking);
    text->setObjectName("lblLooking");
    auto* busy = new QProgressBar(&looking);
    busy->setRange(0, 0);
    busy->setAccessibleName("Looking for scanners and cameras");
    auto* box = new QVBoxLayout(&looking);
    box->addWidget(text);
    box->addWidget(busy);
    looking.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    std::vector<TDeviceInfo> devices;
    QEventLoop loop;
    // The loop ends on the worker's word only (the window cannot close it early), so the
    // worker is always done when it is joined.
    std::thread worker([&devices, &loop] {
        devices = ListDevices();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    return devices;
}

class TPreviewArea : public QWidget {
public:
    explicit TPreviewArea(QWidget* parent) : QWidget(parent) {
        setMinimumSize(200, 260);
        setAccessibleName("Preview");
        setCursor(Qt::CrossCursor);
    }
    // The bed's size in millimetres, for its outline before a preview.
    void SetBed(double widthMm, double heightMm) {
        if (widthMm > 0 && heightMm > 0) bed_ = QSizeF(widthMm, heightMm);
        update();
    }
    void SetPicture(QImage image) {
        picture_ = std::move(image);
        update();
    }
    // The selection as fractions (left, top, right, bottom); the whole bed when nothing is
    // selected.
    QRectF Selection() const { return selection_.isValid() ? selection_ : QRectF(0, 0, 1, 1); }
    void ClearSelection() {
        selection_ = QRectF();
        update();
    }

protected:
    QRectF Bed() const {
        // The bed drawn with the picture's aspect ratio (a letter-like page before a preview).
        QSizeF s = picture_.isNull() ? bed_ : QSizeF(picture_.size());
        s.scale(QSizeF(width() - 8, height() - 8), Qt::KeepAspectRatio);
        return QRectF((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height());
    }
    QPointF Fraction(QPointF p) const {
        QRectF b = Bed();
        return {std::clamp((p.x() - b.left()) / b.width(), 0.0, 1.0), std::clamp((p.y() - b.top()) / b.height(), 0.0, 1.0)};
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        QRectF b = Bed();
        p.fillRect(b, Qt::white);
        if (!picture_.isNull()) p.drawImage(b, picture_);
        p.setPen(Qt::gray);
        p.drawRect(b);
        if (selection_.isValid()) {
            QRectF s(b.left() + selection_.left() * b.width(), b.top() + selection_.top() * b.height(),
                     selection_.width() * b.width(), selection_.height() * b.height());
            p.setPen(QPen(Qt::blue, 1, Qt::DashLine));
            p.setBrush(QColor(0, 0, 255, 40));
            p.drawRect(s);
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        anchor_ = Fraction(e->position());
        selection_ = QRectF();
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        QPointF q = Fraction(e->position());
        QRectF r = QRectF(anchor_, q).normalized();
        selection_ = (r.width() > 0.01 && r.height() > 0.01) ? r : QRectF();
        update();
    }

private:
    QImage picture_;
    QSizeF bed_{216, 297};
    QRectF selection_;
    QPointF anchor_;
};

TSourceDialog::TSourceDialog(TSaneDevice& device, const std::string& title,
                             std::function<void(std::vector<TPage>)> pagesReady, std::function<void()> closeRequested)
    : device_(device), pagesReady_(std::move(pagesReady)), closeRequested_(std::move(closeRequested)) {
    setObjectName("SaneSourceDialog");
    setWindowTitle(Text(title));
    auto* top = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    preview_ = new TPreviewArea(this);
    preview_->SetBed(device_.BedWidthMm(), device_.BedHeightMm());
    left->addWidget(preview_, 1);
    btnPreview = new QPushButton("Preview", this);
    btnPreview->setObjectName("btnPreview");
    left->addWidget(btnPreview);
    top->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    lblDevice = new QLabel(Text(title), this);
    lblDevice->setObjectName("lblDevice");
    lblDevice->setWordWrap(true);
    form->addRow("Device:", lblDevice);

    cmbMode = new QComboBox(this);
    cmbMode->setObjectName("cmbMode");
    cmbMode->setAccessibleName("Colour mode");
    std::string mode = device_.StringValue("mode");
    for (const std::string& m : device_.StringChoices("mode")) cmbMode->addItem(Text(m));
    // Photos are wanted in colour unless the user says otherwise.
    int colour = cmbMode->findText("Color");
    cmbMode->setCurrentIndex(colour >= 0 ? colour : std::max(0, cmbMode->findText(Text(mode))));
    cmbMode->setEnabled(cmbMode->count() > 0);
    form->addRow("Colour mode:", cmbMode);

    cmbResolution = new QComboBox(this);
    cmbResolution->setObjectName("cmbResolution");
    cmbResolution->setAccessibleName("Resolution");
    std::vector<int> dpis = device_.Resolutions();
    for (int dpi : dpis) cmbResolution->addItem(QString("%1 dpi").arg(dpi), dpi);
    int want = cmbResolution->findData(300);
    if (want < 0) want = cmbResolution->findData(device_.ResolutionValue());
    cmbResolution->setCurrentIndex(std::max(0, want));
    cmbResolution->setEnabled(cmbResolution->count() > 0);
    form->addRow("Resolution:", cmbResolution);

    cmbSource = new QComboBox(this);
    cmbSource->setObjectName("cmbSource");
    cmbSource->setAccessibleName("Paper source");
    for (const std::string& s : device_.StringChoices("source")) cmbSource->addItem(Text(s));
    cmbSource->setCurrentIndex(std::max(0, cmbSource->findText(Text(device_.StringValue("source")))));
    cmbSource->setEnabled(cmbSource->count() > 1);
    form->addRow("Source:", cmbSource);

    spnPages = new QSpinBox(this);
    spnPages->setObjectName("spnPages");
    spnPages->setAccessibleName("Pages");
    spnPages->setRange(0, 999);
    spnPages->setSpecialValueText("All");
    spnPages->setValue(0);
    lblPages = new QLabel("Pages:", this);
    form->addRow(lblPages, spnPages);
    right->addLayout(form);
    right->addStretch(1);

    prgScan = new QProgressBar(this);
    prgScan->setObjectName("prgScan");
    prgScan->setAccessibleName("Scan progress");
    prgScan->setRange(0, 1000);
    prgScan->setValue(0);
    prgScan->setTextVisible(false);
    right->addWidget(prgScan);
    lblStatus = new QLabel("Drag on the preview to scan part of the page.", this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setWordWrap(true);
    right->addWidget(lblStatus);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnScan = new QPushButton("Scan", this);
    btnScan->setObjectName("btnScan");
    btnScan->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    // Enter always scans: no other button becomes the default by having the focus (after
    // "Preview" the focus falls to "Cancel" while the preview runs).
    btnPreview->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    buttons->addWidget(btnScan);
    buttons->addWidget(btnCancel);
    right->addLayout(buttons);
    top->addLayout(right, 1);

    auto feederShown = [this] {
        bool feeder = cmbSource->currentText().contains("Feeder") || cmbSource->currentText().contains("ADF");
        lblPages->setVisible(feeder);
        spnPages->setVisible(feeder);
    };
    feederShown();
    connect(cmbSource, &QComboBox::currentIndexChanged, this, feederShown);
    connect(btnScan, &QPushButton::clicked, this, [this] { StartScan(); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { StartPreview(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (Scanning()) StopScan();
        else if (closeRequested_) closeRequested_();
    });
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(50);
    connect(progressTimer_, &QTimer::timeout, this, [this] { prgScan->setValue(progress_.load()); });
    resize(620, 420);
}

TSourceDialog::~TSourceDialog() { StopScan(); }

TScanSettings TSourceDialog::Settings() const {
    TScanSettings s;
    s.mode = Bytes(cmbMode->currentText());
    s.resolution = cmbResolution->currentData().toInt();
    s.source = Bytes(cmbSource->currentText());
    s.maxPages = spnPages->value();
    QRectF sel = preview_->Selection();
    double w = device_.BedWidthMm(), h = device_.BedHeightMm();
    if (w > 0 && h > 0 && sel != QRectF(0, 0, 1, 1)) {
        s.area[0] = sel.left() * w;
        s.area[1] = sel.top() * h;
        s.area[2] = sel.right() * w;
        s.area[3] = sel.bottom() * h;
    }
    return s;
}

void TSourceDialog::SetBusy(bool busy) {
    btnScan->setEnabled(!busy);
    btnPreview->setEnabled(!busy);
    cmbMode->setEnabled(!busy && cmbMode->count() > 0);
    cmbResolution->setEnabled(!busy && cmbResolution->count() > 0);
    cmbSource->setEnabled(!busy && cmbSource->count() > 1);
    spnPages->setEnabled(!busy);
    if (busy) {
        progress_ = 0;
        prgScan->setValue(0);
        progressTimer_->start();
    } else {
        progressTimer_->stop();
    }
}

void TSourceDialog::StartScan() {
    if (Scanning()) return;
    lblStatus->setText("Scanning...");
    RunWorker(Settings(), false);
}

void TSourceDialog::StartPreview() {
    if (Scanning()) return;
    TScanSettings s;
    s.mode = Bytes(cmbMode->currentText());
    s.source = Bytes(cmbSource->currentText());
    s.maxPages = 1;
    s.preview = true;
    // About 400 pixels down the whole bed.
    double h = device_.BedHeightMm();
    int dpi = h > 0 ? int(std::ceil(400.0 / (h / 25.4))) : 50;
    std::vector<int> dpis = device_.Resolutions();
    if (!dpis.empty()) {
        int best = dpis.front();
        for (int d : dpis)
            if (d <= std::max(dpi, dpis.front())) best = d;
        dpi = best;
    }
    s.resolution = dpi;
    lblStatus->setText("Previewing...");
    RunWorker(s, true);
}

void TSourceDialog::RunWorker(TScanSettings settings, bool preview) {
    SetBusy(true);
    stopped_ = false;
    device_.ClearCancel();
    worker_ = std::thread([this, settings, preview] {
        // The pages travel in a holder that releases whatever is still in it, so a result that
        // is dropped with the dialog does not leak.
        auto pages = std::shared_ptr<std::vector<TPage>>(new std::vector<TPage>, [](std::vector<TPage>* p) {
            for (TPage& page : *p) std::free(page.dib);
            delete p;
        });
        TScanEnd end = device_.Scan(settings, *pages, &progress_);
        QMetaObject::invokeMethod(
            this, [this, end, pages, preview] { Finished(end, std::exchange(*pages, {}), preview); },
            Qt::QueuedConnection);
    });
}

void TSourceDialog::Finished(TScanEnd end, std::vector<TPage> pages, bool preview) {
    if (worker_.joinable()) worker_.join();
    SetBusy(false);
    if (stopped_) {
        // "Cancel" came after the scan had ended but before its result arrived here.
        for (TPage& p : pages) std::free(p.dib);
        prgScan->setValue(0);
        return;
    }
    prgScan->setValue(end == TScanEnd::Done ? 1000 : 0);
    if (end == TScanEnd::Cancelled) {
        lblStatus->setText("The scan was cancelled.");
        return;
    }
    std::string error;
    for (const TPage& p : pages)
        if (!p.dib) error = p.error;
    if (preview) {
        if (!pages.empty() && pages.front().dib) preview_->SetPicture(TWAIN_DibToImage(pages.front().dib, pages.front().size));
        for (TPage& p : pages) std::free(p.dib);
        lblStatus->setText(error.empty() ? "Drag on the preview to scan part of the page."
                                         : QString("The preview failed: %1").arg(Text(error)));
        return;
    }
    lblStatus->setText(error.empty() ? QString("Scanned %1 page(s).").arg(pages.size())
                                     : QString("The scan failed: %1").arg(Text(error)));
    if (pagesReady_) pagesReady_(std::move(pages));
    else
        for (TPage& p : pages) std::free(p.dib);
}

void TSourceDialog::StopScan() {
    if (!worker_.joinable()) return;
    stopped_ = true;
    device_.Cancel();
    worker_.join();
    SetBusy(false);
    lblStatus->setText("The scan was cancelled.");
}

void TSourceDialog::closeEvent(QCloseEvent* e) {
    // The application closes the source; the dialog only asks for it.
    e->ignore();
    if (Scanning()) StopScan();
    if (closeRequested_) closeRequested_();
}

void TSourceDialog::reject() {
    if (Scanning()) StopScan();
    else if (closeRequested_) closeRequested_();
}

}  // namespace sanedsm
