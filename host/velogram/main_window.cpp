#include "host/velogram/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>

#include "interfaces/framework_registry.h"
#include "interfaces/help.h"
#include "interfaces/host_settings.h"
#include "interfaces/unit_list.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "host/velogram/block_properties_dialog.h"
#include "host/velogram/channel_list.h"
#include "host/velogram/channel_scale.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/data_window.h"
#include "host/velogram/module_session.h"
#include "host/velogram/output_file.h"
#include "host/velogram/position_text.h"
#include "host/velogram/recording_import.h"
#include "platform/class_table.h"

namespace Velogram {

using platform::ComPtr;

namespace {

// The code of the message a settings dialog sends after OK: a channel's data changed.
constexpr uint32_t kChannelChangedMessage = 0x800C004Au;
constexpr uint32_t kFrameworkContext = 23;

void Tell(const QString& text) { KVI::ShowMessage(HostCaption(), KVI::FromQString(text)); }

// A message of the command line's code ("cannot read x.csv: ...") as a window shows it: as a
// sentence, with a capital, unless it begins with the file's name, which stays as it is.
QString AsSentence(const QString& text, const QString& path)
{
    if (text.isEmpty() || (!path.isEmpty() && text.startsWith(path)) || !text.front().isLower()) return text;
    return text.front().toUpper() + text.mid(1);
}

const char16_t* Utf16(const QString& text) { return reinterpret_cast<const char16_t*>(text.utf16()); }

QString WithExtension(QString path, const QString& extension)
{
    if (!path.endsWith(extension, Qt::CaseInsensitive)) path += extension;
    return path;
}

}  // namespace

MainWindow::MainWindow(IZorFramework* framework, QWidget* parent) : QMainWindow(parent), framework_(framework)
{
    auto* splitter = new QSplitter(Qt::Vertical, this);
    data_ = new DataWindow(splitter);
    channels_ = new ChannelList(splitter);
    splitter->addWidget(data_);
    splitter->addWidget(channels_);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    selectionText_ = new QLabel(this);
    readoutText_ = new QLabel(this);
    readoutText_->setObjectName(QStringLiteral("readout"));
    statusBar()->addWidget(selectionText_, 2);
    statusBar()->addWidget(readoutText_, 3);
    importOptions_.time.mode = CsvTimeColumn::Mode::kDetect;

    calculations_ = RegisteredCalculations(framework);
    BuildMenus();

    channels_->SetCurrentListener([this](int32_t channel) {
        data_->SetCurrentChannel(channel);
        UpdateCommands();
    });
    channels_->SetChangeListener([this](int32_t) {
        data_->RefreshView();
        UpdateTitle();
    });
    data_->SetSelectionListener([this] { UpdateSelectionText(); });
    data_->SetPointerListener([this](std::optional<HostPosition> at) { UpdateReadout(at); });
    data_->SetCursorListener([this] { UpdateReadout(std::nullopt); });
    data_->SetRangeListener([this](int32_t) {
        channels_->Refresh();
        UpdateTitle();
    });

    ComPtr<IUnknown> hostObject;
    if (SUCCEEDED(framework->GetHostObject(hostObject.Put())))
        messages_ = HostMessageObserver::Attach(hostObject.Get(), [this](uint32_t code, const auto&) {
            OnHostMessage(code);
        });

    NewEmptyDocument();
    resize(1000, 700);
}

MainWindow::~MainWindow()
{
    if (messages_) messages_->Detach();
    SetApplicationVisible(false);
}

void MainWindow::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open..."), this, [this] {
        OnOpen(tr("Open"), tr("Documents and recordings (*.vdoc *.csv);;Documents (*.vdoc);;All files (*)"));
    });
    open->setShortcut(QKeySequence::Open);
    file->addAction(tr("&Import CSV..."), this,
                    [this] { OnOpen(tr("Import CSV"), tr("CSV recordings (*.csv);;All files (*)")); });
    saveAction_ = file->addAction(tr("&Save"), this, [this] { OnSave(); });
    saveAction_->setShortcut(QKeySequence::Save);
    saveAsAction_ = file->addAction(tr("Save &As..."), this, [this] { OnSaveAs(); });
    exportAction_ = file->addAction(tr("&Export CSV..."), this, [this] { OnExport(); });
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, [this] { close(); });
    quit->setShortcut(QKeySequence::Quit);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("Zoom &in"), QKeySequence::ZoomIn, this, [this] { data_->ZoomIn(); });
    view->addAction(tr("Zoom &out"), QKeySequence::ZoomOut, this, [this] { data_->ZoomOut(); });
    view->addAction(tr("&Fit all"), QKeySequence(Qt::CTRL | Qt::Key_0), this, [this] { data_->FitAll(); });
    view->addAction(tr("&Autoscale lanes"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), this,
                    [this] { data_->AutoscaleLanes(); });

    QMenu* channel = menuBar()->addMenu(tr("&Channel"));
    addCalculation_ = channel->addMenu(tr("&Add calculation"));
    for (const CalculationChoice& choice : calculations_) {
        ICalculationClass* calcClass = choice.calcClass.Get();
        addCalculation_->addAction(KVI::ToQString(choice.name), this, [this, calcClass] {
            AddCalculation(calcClass, std::max(CurrentChannel(), 0));
        });
    }
    if (calculations_.empty()) addCalculation_->addAction(tr("(no calculation modules loaded)"))->setEnabled(false);
    settingsAction_ = channel->addAction(tr("Calculation &settings..."), this,
                                         [this] { EditCalculationSettings(CurrentChannel()); });
    fitRangeAction_ = channel->addAction(tr("&Fit display range"), this, [this] { FitDisplayRange(CurrentChannel()); });

    QMenu* recording = menuBar()->addMenu(tr("&Recording"));
    blockAction_ = recording->addAction(tr("&Block properties..."), this, [this] { EditBlockProperties(ChosenBlock()); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* helpAction = help->addAction(tr("&Help"), this, [this] { ShowHelp(); });
    helpAction->setShortcut(QKeySequence::HelpContents);
}

// ---- documents

void MainWindow::NewEmptyDocument()
{
    ComPtr<IZorDocument> document;
    if (SUCCEEDED(framework_->CreateDocument(document.Put()))) SetDocument(document.Get(), QString());
}

void MainWindow::SetDocument(IZorDocument* document, const QString& path)
{
    document_ = HostDocument::Create(document);
    path_ = path;
    importedFrom_.clear();
    data_->SetDocument(document_.Get());
    channels_->SetDocument(document_.Get());
    data_->SetCurrentChannel(CurrentChannel());
    UpdateTitle();
    UpdateCommands();
    UpdateSelectionText();
    UpdateReadout(std::nullopt);
}

bool MainWindow::IsModified() const
{
    int32_t modified = 0;
    return document_ && SUCCEEDED(document_->Document()->IsModified(&modified)) && modified != 0;
}

bool MainWindow::OpenFile(const QString& path)
{
    ComPtr<IZorDocument> document;
    try {
        document = OpenRecording(framework_.Get(), path.toStdString(), importOptions_);
    } catch (const CommandError& e) {
        Tell(AsSentence(QString::fromStdString(e.what()), path));
        return false;
    } catch (const std::bad_alloc&) {
        Tell(tr("%1 is too large to open: out of memory.").arg(path));
        return false;
    }
    const bool imported = !IsDocumentPath(path.toStdString());
    SetDocument(document.Get(), imported ? QString() : path);
    if (imported) {
        importedFrom_ = path;
        // A recording read from CSV has the default range (+10 to -10); show its samples.
        for (int32_t c = 0; c < document_->ChannelCount(); ++c) FitDisplayRange(c);
        document->SetModified(0);
        UpdateTitle();
    }
    return true;
}

bool MainWindow::SaveTo(const QString& path)
{
    IAutoKVIString* error = nullptr;
    const HRESULT hr = document_->Document()->Save(Utf16(path), &error);
    const QString why = KVI::ToQString(KVI::String(error));
    if (error) error->Release();
    if (FAILED(hr)) {
        Tell(why.isEmpty() ? tr("%1 cannot be written: %2").arg(path, QString::fromStdString(ResultText(hr)))
                           : AsSentence(why, path));
        return false;
    }
    path_ = path;
    importedFrom_.clear();
    UpdateTitle();
    return true;
}

bool MainWindow::ExportCsv(const QString& path)
{
    try {
        OutputFile out(path.toStdString());
        CsvWriter writer(document_->Recording(), out);
        writer.Write();
        out.Commit();
    } catch (const CommandError& e) {
        Tell(AsSentence(QString::fromStdString(e.what()), path));
        return false;
    } catch (const std::bad_alloc&) {
        Tell(tr("%1 cannot be written: out of memory.").arg(path));
        return false;
    }
    return true;
}

bool MainWindow::MaybeSave()
{
    if (!IsModified()) return true;
    QMessageBox box(QMessageBox::Warning, KVI::ToQString(HostCaption()),
                    tr("The document has unsaved changes. Do you want to save them?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return OnSave();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void MainWindow::OnOpen(const QString& caption, const QString& filter)
{
    if (!MaybeSave()) return;
    const QString path = QFileDialog::getOpenFileName(this, caption, QFileInfo(path_).absolutePath(), filter);
    if (!path.isEmpty()) OpenFile(path);
}

bool MainWindow::OnSave() { return path_.isEmpty() ? OnSaveAs() : SaveTo(path_); }

bool MainWindow::OnSaveAs()
{
    // An imported recording is offered under its CSV file's name.
    const QString suggested = !path_.isEmpty() || importedFrom_.isEmpty()
                                  ? path_
                                  : QFileInfo(importedFrom_).dir().filePath(QFileInfo(importedFrom_).completeBaseName() +
                                                                            QStringLiteral(".vdoc"));
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save As"), suggested, tr("Velogram documents (*.vdoc);;All files (*)"));
    return !path.isEmpty() && SaveTo(WithExtension(path, QStringLiteral(".vdoc")));
}

void MainWindow::OnExport()
{
    const QString suggested =
        path_.isEmpty() ? QString() : QFileInfo(path_).completeBaseName() + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), suggested, tr("CSV files (*.csv)"));
    if (!path.isEmpty()) ExportCsv(WithExtension(path, QStringLiteral(".csv")));
}

// ---- channels

int32_t MainWindow::CurrentChannel() const { return channels_->CurrentChannel(); }

int32_t MainWindow::AddCalculation(ICalculationClass* calcClass, int32_t source)
{
    const CalculationCommands commands(framework_.Get(), document_.Get());
    int32_t channel = -1;
    const HRESULT hr = commands.Add(calcClass, source, &channel);
    channels_->Refresh();
    data_->RefreshData();
    UpdateTitle();
    if (FAILED(hr)) return -1;
    channels_->SetCurrentChannel(channel);
    EditCalculationSettings(channel);
    return channel;
}

CalculationCommands::Outcome MainWindow::EditCalculationSettings(int32_t channel)
{
    const CalculationCommands commands(framework_.Get(), document_.Get());
    const CalculationCommands::Outcome outcome = commands.EditSettings(channel, static_cast<QWidget*>(this));
    if (outcome == CalculationCommands::Outcome::Applied) {
        data_->RefreshData();
        // The calculation's unit and values are new: the old range says nothing about them.
        FitDisplayRange(channel);
    }
    channels_->Refresh();
    UpdateTitle();
    UpdateCommands();
    return outcome;
}

bool MainWindow::FitDisplayRange(int32_t channel)
{
    double lowest = 0, highest = 0, top = 0, bottom = 0;
    if (channel < 0 || !data_->ChannelExtremes(channel, &lowest, &highest) ||
        !ChannelScale::RangeFor(lowest, highest, &top, &bottom) ||
        FAILED(document_->Recording()->SetDisplayRange(channel, top, bottom)))
        return false;
    channels_->Refresh();
    data_->RefreshView();
    UpdateTitle();
    return true;
}

int32_t MainWindow::ChosenBlock() const
{
    if (const std::optional<HostPosition> cursor = data_->Cursor()) return cursor->block;
    if (document_ && document_->Selection()->Has()) return document_->Selection()->Start().block;
    return 0;
}

bool MainWindow::EditBlockProperties(int32_t block)
{
    if (!document_ || block < 0 || block >= document_->BlockCount()) return false;
    double seconds = 0;
    if (document_->Recording()->GetSampleInterval(block, &seconds) != S_OK) seconds = 0;
    BlockPropertiesDialog dialog(this, block, document_->BlockLength(block), seconds);
    if (dialog.exec() != QDialog::Accepted) return false;
    return SetSampleInterval(block, dialog.Interval(), dialog.ForEveryBlock());
}

bool MainWindow::SetSampleInterval(int32_t block, double seconds, bool everyBlock)
{
    if (!document_) return false;
    bool ok = true;
    const int32_t first = everyBlock ? 0 : block, last = everyBlock ? document_->BlockCount() - 1 : block;
    for (int32_t b = first; b <= last; ++b) ok = SUCCEEDED(document_->Recording()->SetSampleInterval(b, seconds)) && ok;
    data_->RefreshView();
    UpdateSelectionText();
    UpdateReadout(std::nullopt);
    UpdateTitle();
    return ok;
}

void MainWindow::OnHostMessage(uint32_t code)
{
    if (code != kChannelChangedMessage) return;
    data_->RefreshData();
    channels_->Refresh();
}

bool MainWindow::ShowHelp()
{
    ComPtr<IHelpService> help;
    HRESULT hr = CoGetClassObject(CLSID_FrameworkServices, kFrameworkContext, nullptr, IID_IHelpService,
                                  help.PutVoid());
    if (SUCCEEDED(hr) && help)
        hr = help->ShowHelp(KVI::String(u"ts_setup").Interface(), KVI::String(u"TessarHelp").Interface());
    if (FAILED(hr)) {
        Tell(tr("Help is not available: %1").arg(QString::fromStdString(ResultText(hr))));
        return false;
    }
    return true;
}

// ---- window state

void MainWindow::UpdateTitle()
{
    const QString file = path_.isEmpty() ? importedFrom_ : path_;
    const QString name = file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
    setWindowTitle(tr("%1[*] - Velogram").arg(name));
    setWindowModified(IsModified());
}

void MainWindow::UpdateCommands()
{
    const bool channels = document_ && document_->ChannelCount() > 0;
    const int32_t current = CurrentChannel();
    addCalculation_->setEnabled(channels && !calculations_.empty());
    settingsAction_->setEnabled(channels && current >= 0 && document_->HasCalculation(current));
    fitRangeAction_->setEnabled(channels && current >= 0);
    saveAction_->setEnabled(channels);
    saveAsAction_->setEnabled(channels);
    exportAction_->setEnabled(channels);
    blockAction_->setEnabled(document_ && document_->BlockCount() > 0);
}

void MainWindow::UpdateSelectionText()
{
    selectionText_->setText(document_ ? QString::fromStdString(SelectionText(*document_.Get())) : QString());
}

void MainWindow::UpdateReadout(std::optional<HostPosition> pointer)
{
    // Without the pointer over the data, the cursor's read-out, which says so.
    const bool atCursor = !pointer && data_->Cursor();
    if (atCursor) pointer = data_->Cursor();
    const std::optional<PositionReading> reading =
        document_ && pointer ? ReadPosition(*document_.Get(), *pointer) : std::nullopt;
    const QString text = reading ? QString::fromStdString(ReadingText(*reading)) : QString();
    readoutText_->setText(reading && atCursor ? tr("Cursor: %1").arg(text) : text);
}

QString MainWindow::SelectionStatus() const { return selectionText_->text(); }

QString MainWindow::ReadoutStatus() const { return readoutText_->text(); }

void MainWindow::SetApplicationVisible(bool visible)
{
    ComPtr<IFrameworkRegistry> registry;
    ComPtr<IObjectFactory> factory;
    ComPtr<IHostSettings> settings;
    uint16_t id = 0;
    if (FAILED(framework_.As(IID_IFrameworkRegistry, registry)) || FAILED(framework_.As(IID_IObjectFactory, factory)) ||
        FAILED(registry->GetTypeIdentifier(TYPE_HostSettings, &id)) ||
        FAILED(factory->GetService(uint32_t(id) << 16, IID_IHostSettings, settings.PutVoid())))
        return;
    settings->SetBool(KVI::String(kApplicationVisibleKey).Interface(), visible ? VARIANT_TRUE : VARIANT_FALSE);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (MaybeSave()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    SetApplicationVisible(true);
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    SetApplicationVisible(false);
}

}  // namespace Velogram
