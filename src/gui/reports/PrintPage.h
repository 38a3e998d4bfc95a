#pragma once
// The "настройка печати" page and printing: report templates, the item list, fonts and margins, the preview with
// printing and PDF.

#include <QFont>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "archives/ArchiveView.h"
#include "reports/ReportLayout.h"
#include "reports/ReportTemplates.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QToolButton;

namespace omi {

class TArchivePage;
class TFomi;

// The dialogs of printing. Tests set their own so that nothing blocks; an
// empty function uses the real dialog.
struct PrintDialogs {
    // The preview: paint(printer) produces the pages; the real one is a
    // maximised QPrintPreviewDialog at 98 % with printing and PDF saving.
    std::function<void(QPrinter& printer, const std::function<void(QPrinter*)>& paint)> preview;
    // Printer setup; true when accepted.
    std::function<bool(QPrinter& printer)> printerSetup;
    // Font dialog: the chosen font, nothing when cancelled.
    std::function<std::optional<QFont>(const QFont& initial)> font;
    // Save dialog of a PDF file: the chosen path, empty when cancelled.
    std::function<QString(const QString& suggested)> pdfPath;
};
void SetPrintDialogs(PrintDialogs dialogs);

// The archive a report is made of: what the archive page shows.
struct PrintSource {
    int type = -1;    // device type of the archive, -1 none
    int serial = -1;  // its serial number, -1 unknown
    int system = -1;  // a loaded file: the heat system it was saved from, -1 unknown
    int tab = 0;      // index into ArchiveTabs(type)
    ArchiveTabView shown{};
    ViewRange range;
    QString loadedFile;  // an archive file read into the window, empty for a device read
    QString partial;     // the archive read was cut short: what the report says of it
};

class TPrintPage : public QObject {
    Q_OBJECT
public:
    explicit TPrintPage(TFomi& window);
    ~TPrintPage() override;

    // Loads the template set of the shown archive's family and class into
    // the memos and the item list (every refresh of the archive view).
    void LoadTemplates();
    // The working copy as the memos and cbd hold it.
    TemplateSet CurrentTemplates() const;
    PrintSettings Settings() const;

    // "печать архива": the preview with the report.
    void AArhPrintExecute();
    // The printing callback: folders, templates saved, the report drawn.
    void PrintReport(QPrinter* printer);
    // The report as a PDF file (the preview's "PDF" button); a Russian message, empty on success.
    QString SaveReportPdf(const QString& path);
    // The layout of the last report produced.
    const ReportModel& LastReport() const { return lastReport_; }

    // Where the archive comes from: the archive page, or for tests and
    // tools a function of their own (an empty function returns to the page).
    void SetSource(std::function<PrintSource()> source) { source_ = std::move(source); }
    PrintSource Source() const;

    // Handlers of the page.
    void mHDblClick(QPlainTextEdit* memo);
    void mHEnter(QPlainTextEdit* memo);
    void ShowCaret(QPlainTextEdit* memo);
    void cbdClick(int index);
    void cbdEnter();
    void SBheClick(bool down);
    void BintClick();
    void Button1Click();
    void BBspClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPage();
    QPlainTextEdit* memo(TemplatePart part) const;
    void setMemo(TemplatePart part, const TemplateMemo& memo);
    // Steps before drawing: folders, the device's template family, templates
    // saved. Nothing when the device has no template family.
    std::optional<ReportInput> prepareReport();
    QString reportTitle() const;
    // Whether the report is of the archive file loaded into the device page.
    bool printsFile(const PrintSource& source) const;

    TFomi& window_;
    QPointer<TArchivePage> archive_;
    QPlainTextEdit* mH = nullptr;
    QPlainTextEdit* mB = nullptr;
    QPlainTextEdit* mF = nullptr;
    QPlainTextEdit* MR = nullptr;
    QComboBox* cbd = nullptr;
    QStatusBar* sbm = nullptr;
    QLabel* panels_[3] = {};
    QToolButton* SBhe = nullptr;
    QSpinBox* SELeft = nullptr;
    QSpinBox* SEtop = nullptr;
    QSpinBox* SERight = nullptr;
    QSpinBox* SEbottom = nullptr;
    QSpinBox* SEint = nullptr;
    QCheckBox* cbf = nullptr;
    QPushButton* Bint = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BBsp = nullptr;
    QPushButton* BBspa = nullptr;

    TemplateFont fonts_[3];
    int fontTag_ = 0;
    int chosenItem_ = -1;
    QString family_;  // template family and class of the loaded set
    bool hourly_ = false;
    std::unique_ptr<QPrinter> printer_;
    std::function<PrintSource()> source_;
    ReportModel lastReport_;
};

}  // namespace omi
