// Velogram::MainWindow: the application window. The data window fills it, the channel list sits
// below, and the menus are:
//   File:      Open..., Import CSV..., Save, Save As..., Export CSV..., Quit
//   View:      Zoom in, Zoom out, Fit all, Autoscale lanes (the data window's own keys too)
//   Channel:   Add calculation (one entry per registered calculation class, by name),
//              Calculation settings..., Fit display range
//   Recording: Block properties... (the sample interval of the block of the cursor, else of
//              the selection's start, else of block 1)
//   Help:      Help (topic "ts_setup" of "TessarHelp" through the framework's help service)
// Closing (or opening another document) with unsaved changes asks whether to save them. The
// status line gives the selection (position_text.h) and the read-out: the time and every
// channel's value under the pointer, or at the cursor when the pointer is not over the data.
// The title names the document's file, or the CSV file a recording was imported from.
//
// The window holds one document at a time (HostDocument over a framework document). The
// operations behind the menu commands are public without their file dialogs, so that the
// application and tests run the same code.
//
// While shown, the window tells the framework's host settings that the application is visible
// ("kvi\application\visible"), so components show their pop-up messages.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QMainWindow>
#include <QString>

#include "interfaces/zor_framework.h"
#include "host/velogram/calculation_commands.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/host_document.h"
#include "host/velogram/host_message_observer.h"
#include "platform/com_ptr.h"

class QAction;
class QLabel;
class QMenu;

namespace Velogram {

class ChannelList;
class DataWindow;

class MainWindow final : public QMainWindow {
public:
    // [in] framework: started, with the modules loaded; outlives the window.
    explicit MainWindow(IZorFramework* framework, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens a document (.vdoc) or imports a CSV recording (any other name) in place of the
    // current document, without asking about unsaved changes. False (the user told why, the
    // current document kept) when it cannot be read.
    bool OpenFile(const QString& path);
    // How CSV recordings are read from now on; at first, with a time column detected.
    void SetImportOptions(const CsvReadOptions& options) { importOptions_ = options; }
    // Saves the document under path (it becomes the document's file). False when that fails.
    bool SaveTo(const QString& path);
    // Writes every channel as CSV (calculated channels calculated). False when that fails.
    bool ExportCsv(const QString& path);

    // Adds a channel calculated by the class from the source channel and runs its settings.
    // Returns the new channel, or -1.
    int32_t AddCalculation(ICalculationClass* calcClass, int32_t source);
    // Runs the settings of a calculated channel (Channel > Calculation settings...).
    CalculationCommands::Outcome EditCalculationSettings(int32_t channel);
    // Sets the channel's display range to its samples (Channel > Fit display range).
    bool FitDisplayRange(int32_t channel);
    // Runs the properties of a block (Recording > Block properties...). False when it was
    // cancelled or the recording refused the interval.
    bool EditBlockProperties(int32_t block);
    // Sets a block's sample interval (0: none), or every block's. False when refused.
    bool SetSampleInterval(int32_t block, double seconds, bool everyBlock);
    // Shows the help of the calculation settings (Help > Help). False when the help service
    // is not there or refuses.
    bool ShowHelp();
    // Asks about unsaved changes when there are any: true when the document may go (saved or
    // discarded), false when the user cancelled or saving failed.
    bool MaybeSave();

    HostDocument* Document() const { return document_.Get(); }
    DataWindow* Data() const { return data_; }
    ChannelList* Channels() const { return channels_; }
    // The document's file; empty for a recording imported and not yet saved.
    QString FilePath() const { return path_; }
    // The status line's texts: the selection, and the read-out.
    QString SelectionStatus() const;
    QString ReadoutStatus() const;
    bool IsModified() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildMenus();
    void SetDocument(IZorDocument* document, const QString& path);
    void NewEmptyDocument();
    void UpdateTitle();
    void UpdateCommands();
    void UpdateSelectionText();
    // The read-out at the pointer's position, or the cursor's without one.
    void UpdateReadout(std::optional<HostPosition> pointer);
    // The block the block commands act on.
    int32_t ChosenBlock() const;
    void OnHostMessage(uint32_t code);
    void SetApplicationVisible(bool visible);
    // The current channel of the channel list, or -1.
    int32_t CurrentChannel() const;

    // Menu commands (with their file dialogs).
    void OnOpen(const QString& caption, const QString& filter);
    bool OnSave();
    bool OnSaveAs();
    void OnExport();

    platform::ComPtr<IZorFramework> framework_;
    platform::ComPtr<HostDocument> document_;
    platform::ComPtr<HostMessageObserver> messages_;
    QString path_;
    QString importedFrom_;  // the CSV file of a recording imported and not yet saved
    CsvReadOptions importOptions_;
    DataWindow* data_ = nullptr;
    ChannelList* channels_ = nullptr;
    QLabel* selectionText_ = nullptr;
    QLabel* readoutText_ = nullptr;
    QAction* blockAction_ = nullptr;
    QMenu* addCalculation_ = nullptr;
    QAction* settingsAction_ = nullptr;
    QAction* fitRangeAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    std::vector<CalculationChoice> calculations_;
};

}  // namespace Velogram
