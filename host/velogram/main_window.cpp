#include "host/velogram/main_window.h"

#include <QAction>
#include <QCloseEvent>
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
#include "host/velogram/channel_list.h"
#include "host/velogram/channel_scale.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/data_window.h"
#include "host/velogram/module_session.h"
#include "host/velogram/output_file.h"
#include "host/velogram/recording_import.h"
#include "platform/class_table.h"

namespace Velogram {

using platform::ComPtr;

namespace {

// The code of the message a settings dialog sends after OK: a channel's data changed.
constexpr uint32_t kChannelChangedMessage = 0x800C004Au;
constexpr uint32_t kFrameworkContext = 23;

void Tell(const QString& text) { KVI::ShowMessage(HostCaption(), KVI::FromQString(text)); }

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
    statusBar()->addWidget(selectionText_, 1);

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
    data_->SetDocument(document_.Get());
    channels_->SetDocument(document_.Get());
    data_->SetCurrentChannel(CurrentChannel());
    UpdateTitle();
    UpdateCommands();
    UpdateSelectionText();
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
        document = OpenRecording(framework_.Get(), path.toStdString());
    } catch (const CommandError& e) {
        Tell(QString::fromStdString(e.what()));
        return false;
    } catch (const std::bad_alloc&) {
        Tell(tr("%1 is too large to open: out of memory.").arg(path));
        return false;
    }
    const bool imported = !IsDocumentPath(path.toStdString());
    SetDocument(document.Get(), imported ? QString() : path);
    if (imported) {
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
        Tell(why.isEmpty() ? tr("%1 cannot be written: %2").arg(path, QString::fromStdString(ResultText(hr))) : why);
        return false;
    }
    path_ = path;
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
        Tell(QString::fromStdString(e.what()));
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
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save As"), path_, tr("Velogram documents (*.vdoc);;All files (*)"));
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
    const QString name = path_.isEmpty() ? tr("Untitled") : QFileInfo(path_).fileName();
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
}

void MainWindow::UpdateSelectionText()
{
    const HostSelection* selection = document_ ? document_->Selection() : nullptr;
    if (!selection || !selection->Has()) {
        selectionText_->setText(tr("No selection: drag across the data to select a span."));
        return;
    }
    const HostPosition start = selection->Start(), end = selection->End();
    selectionText_->setText(tr("Selection: block %1, sample %2 to block %3, sample %4")
                                .arg(start.block + 1)
                                .arg(start.sample)
                                .arg(end.block + 1)
                                .arg(end.sample));
}

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
