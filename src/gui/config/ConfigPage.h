#pragma once
// The "КОНФИГУРАЦИЯ" page: reading the configuration and the editors of every family.

#include <QObject>

namespace omi {

class TFomi;

class TConfigPage : public QObject {
    Q_OBJECT
public:
    explicit TConfigPage(TFomi& window);

private:
    TFomi& window_;
};

}  // namespace omi
