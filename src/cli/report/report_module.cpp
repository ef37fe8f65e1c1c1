// The report module of `otdr report`: the window's test report of a trace file as PDF bytes,
// made with the same windows the report command of the main window reads, under Qt's
// offscreen platform. Loaded by the tool with dlopen (report_module.h).

#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QPrinter>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/qt_text.h"
#include "build_info.h"
#include "dialogs/report_settings_dialog.h"
#include "report/print_preview.h"
#include "report/report_builder.h"
#include "report_module.h"
#include "view/chart_widget.h"
#include "workspace/prompter.h"
#include "workspace/workspace.h"

namespace otdr::cli {

namespace {

// Qt's messages while a report is made belong to that file's text on standard error, so they
// keep their place among the files; those of setting Qt up (notes on the environment, once per
// process) are left out. A fatal one is printed at once.
std::string* qtMessages = nullptr;

void collectQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", gui::toUtf8(message).c_str());
        return;
    }
    if (qtMessages) *qtMessages += gui::toUtf8(message) + '\n';
}

// The window's error boxes for the file, kept in order.
class Refusals : public Prompter {
  public:
    explicit Refusals(std::vector<std::string>& out) : out_(out) {}
    void showError(std::string_view message) override { out_.emplace_back(message); }
    Answer askYesNoCancel(std::string_view) override { return Answer::Yes; }

  private:
    std::vector<std::string>& out_;
};

// A file in memory for Qt's PDF writer to write to under a name of plain ASCII.
class MemoryFile {
  public:
    MemoryFile() {
        fd_ = ::memfd_create("otdr-report", MFD_CLOEXEC);
        if (fd_ < 0) {
            // Without memfd: a file of the temporary folder, already unlinked.
            if (std::FILE* f = std::tmpfile()) {
                fd_ = ::dup(::fileno(f));
                std::fclose(f);
            }
        }
    }
    ~MemoryFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    // The name under which opening it opens this very file.
    QString name() const { return QStringLiteral("/proc/self/fd/%1").arg(fd_); }
    // Everything written to it; false when it could not be read.
    bool contents(std::string& out) const {
        out.clear();
        char buf[65536];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
            if (n < 0) return false;
            if (n == 0) return true;
            out.append(buf, static_cast<std::size_t>(n));
            at += n;
        }
    }

  private:
    int fd_ = -1;
};

class Renderer : public ReportRenderer {
  public:
    explicit Renderer(const ReportJob& job) : job_(job) {
        qInstallMessageHandler(collectQtMessage);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char programName[] = "otdr";
        static char* argv[] = {programName, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // Numbers in labels and reports always use the point as decimal separator.
        std::setlocale(LC_NUMERIC, "C");
    }

    RenderedReport render(const std::string& file) override {
        RenderedReport out;
        qtMessages = &out.notes;
        struct Detach {
            ~Detach() { qtMessages = nullptr; }
        } detach;
        Refusals prompter(out.refusals);
        Workspace ws(job_.settings, &prompter);
        if (!ws.openTrace(file)) return out;
        if (job_.analyse) ws.analyse();

        // The same windows the report command of the main window reads.
        gui::TForm4 reportDialog;
        reportDialog.setFlags(job_.sections);
        gui::ChartWidget chart;
        chart.setScene(&ws.scene());
        gui::TTracePrintView preview;
        gui::buildTestReport(preview, ws.state(), reportDialog.flags(), job_.dpi, chart,
                             reportDialog.logo().toImage());

        const MemoryFile pdf;
        if (!pdf.ok()) {
            out.failure = std::strerror(errno);
            return out;
        }
        QPrinter& printer = preview.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf.name());
        preview.execPrintDialog = [](QPrinter& p, int) {
            p.setPrintRange(QPrinter::AllPages);
            return true;
        };
        bool refused = false;
        preview.showError = [&refused](const QString&) { refused = true; };
        const bool printed = preview.Button1Click() && !refused;
        // Qt's writer reports no failure of its own: a PDF is complete when it ends with its
        // end-of-file marker.
        if (!printed || !pdf.contents(out.pdf) ||
            out.pdf.find("%%EOF", out.pdf.size() < 32 ? 0 : out.pdf.size() - 32) ==
                std::string::npos) {
            out.pdf.clear();
            out.failure = "the PDF could not be made";
            return out;
        }
        out.made = true;
        out.pages = preview.pageCount();
        return out;
    }

  private:
    ReportJob job_;
    std::unique_ptr<QApplication> app_;
};

}  // namespace

}  // namespace otdr::cli

extern "C" __attribute__((visibility("default"))) otdr::cli::ReportRenderer*
otdr_create_report_renderer(const char* abi, const otdr::cli::ReportJob* job) {
    if (!abi || !job || otdr::cli::reportModuleAbi(otdr::kVersion) != abi) return nullptr;
    try {
        return new otdr::cli::Renderer(*job);
    } catch (...) {
        return nullptr;
    }
}
