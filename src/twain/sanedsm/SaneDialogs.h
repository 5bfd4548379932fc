#pragma once
// The source manager's own windows: the source list (the user picks the default source) and the
// source dialog (device, colour mode, resolution, feeder pages, a low-resolution preview with a
// selectable scan area, "Scan" and "Cancel").

#include <QDialog>
#include <QImage>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SaneScan.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace sanedsm {

// The source list: vendor, model and type of every device; current is preselected. True with
// chosen set when the user picked one.
bool RunSourceList(const std::vector<TDeviceInfo>& devices, const std::string& current, std::string& chosen);

// The devices SANE finds. Probing every backend takes seconds, so with a window on screen it
// runs on a worker thread while a small application-modal window says "Looking for scanners and
// cameras..." and the busy cursor shows; the window's thread keeps painting.
std::vector<TDeviceInfo> LookForDevices();

class TPreviewArea;

class TSourceDialog : public QDialog {
public:
    // pagesReady receives the pages of a finished scan (ownership passes); closeRequested is
    // called when the user closes the dialog while no scan runs.
    TSourceDialog(TSaneDevice& device, const std::string& title, std::function<void(std::vector<TPage>)> pagesReady,
                  std::function<void()> closeRequested);
    ~TSourceDialog() override;

    // Starts a scan with the dialog's settings (its "Scan" button).
    void StartScan();
    // A low-resolution scan of the whole bed into the preview (its "Preview" button).
    void StartPreview();
    // Stops a running scan at once and waits for its thread.
    void StopScan();
    bool Scanning() const { return worker_.joinable(); }
    TScanSettings Settings() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void RunWorker(TScanSettings settings, bool preview);
    void Finished(TScanEnd end, std::vector<TPage> pages, bool preview);
    void SetBusy(bool busy);

    TSaneDevice& device_;
    std::function<void(std::vector<TPage>)> pagesReady_;
    std::function<void()> closeRequested_;
    std::thread worker_;
    std::atomic<int> progress_{0};
    // The running scan was stopped by the user: its result, even one that was finished before
    // the stop was seen, is not delivered.
    bool stopped_ = false;

    QLabel* lblDevice = nullptr;
    QComboBox* cmbMode = nullptr;
    QComboBox* cmbResolution = nullptr;
    QComboBox* cmbSource = nullptr;
    QLabel* lblPages = nullptr;
    QSpinBox* spnPages = nullptr;
    TPreviewArea* preview_ = nullptr;
    QPushButton* btnPreview = nullptr;
    QProgressBar* prgScan = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnScan = nullptr;
    QPushButton* btnCancel = nullptr;
    QTimer* progressTimer_ = nullptr;
};

}  // namespace sanedsm
