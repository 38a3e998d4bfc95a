#pragma once
// The import of a data-logger archive file (AGetDataLogger, "ЗОРТ"): the
// file chosen, its name giving the device and the kind, its records read,
// then the archive page's own read runs with every request answered from
// the file, so the archive shows, saves and prints as if just read.

#include <QObject>
#include <QString>

namespace omi {

class Connection;
class TFomi;
class TFZORT;

class TLoggerImport : public QObject {
    Q_OBJECT
public:
    TLoggerImport(TFomi& window, Connection& line);
    void AGetDataLoggerExecute();
    TFZORT* Manager() const { return manager_; }

private:
    void importFile(const QString& path);
    // The status line after the replay of the file `name`.
    void reportRead(const QString& name, bool hourly);

    TFomi& window_;
    Connection& line_;
    TFZORT* manager_ = nullptr;  // the logger file manager, kept once shown
};

}  // namespace omi
