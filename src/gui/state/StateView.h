#pragma once
// The state view on the device page: reading and polling the state, the value boxes of every family, the state log, error decoding and the raw bytes grid.

#include <QObject>

namespace omi {

class TFomi;

class TStateView : public QObject {
    Q_OBJECT
public:
    explicit TStateView(TFomi& window);

private:
    TFomi& window_;
};

}  // namespace omi
