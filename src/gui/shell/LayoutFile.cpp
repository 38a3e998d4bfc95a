#include "shell/LayoutFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>

#include "support/Paths.h"
#include "support/WindowValuesFile.h"

namespace omi {

namespace {

bool stored(const QWidget* w) { return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")); }

QStringList collect(const QWidget* window) {
    QStringList entries;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!stored(w)) continue;
        const QString name = w->objectName();
        if (const auto* g = qobject_cast<const QGroupBox*>(w))
            entries << QStringLiteral("%1=%2;%3//TGroupBox.Height;Width").arg(name).arg(g->height()).arg(g->width());
        else if (const auto* s = qobject_cast<const QSpinBox*>(w))
            entries << name + QLatin1Char('=') + QString::number(s->value());
        else if (const auto* c = qobject_cast<const QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
            entries << name + QLatin1Char('=') + QString::number(c->currentIndex()) + QLatin1Char(';') +
                           items.join(QLatin1Char(','));
        } else if (const auto* b = qobject_cast<const QCheckBox*>(w))
            entries << name + (b->isChecked() ? QStringLiteral("=0//0-checked") : QStringLiteral("=1//0-checked"));
        else if (const auto* t = qobject_cast<const QTabWidget*>(w))
            entries << name + QLatin1Char('=') + QString::number(t->currentIndex());
        else if (const auto* l = qobject_cast<const QLabel*>(w))
            entries << name + QLatin1Char('=') + QString(l->text()).replace(QLatin1Char('\n'), QLatin1Char(' '));
        else if (const auto* e = qobject_cast<const QLineEdit*>(w); e && !qobject_cast<const QSpinBox*>(w->parent()) &&
                                                                   !qobject_cast<const QComboBox*>(w->parent()))
            entries << name + QLatin1Char('=') + e->text();
    }
    return entries;
}

int number(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : fallback;
}

}  // namespace

QString LayoutPath(const QString& name) {
    QString file = name;
    for (const QChar c : QStringLiteral("\\/:*?\"<>|")) file.replace(c, QLatin1Char('_'));
    return DataRoot() + QLatin1Char('/') + file + QStringLiteral(".mem");
}

QString SaveLayout(const QWidget* window, const QStringList& overrides, const QString& name) {
    QStringList entries = collect(window);
    for (const QString& o : overrides) {
        const QString key = o.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!entries[i].contains(key)) continue;
            if (o.section(QLatin1Char('='), 1).isEmpty()) entries.removeAt(i);
            else entries[i] = o;
            break;
        }
    }
    QString message;
    if (!QDir().mkpath(DataRoot())) message += QStringLiteral("\n\rНЕ МОГУ СОЗДАТЬ ПАПКУ ДАННЫЕ");
    const QString path = LayoutPath(name);
    if (!WriteWindowValues(path, entries).isEmpty()) message += QStringLiteral("\n\rНЕ МОГУ СОЗДАТЬ ФАЙЛ ") + path;
    return message;
}

void RestoreLayout(QWidget* window, const QString& name) {
    QString path = LayoutPath(name);
    if (!QFileInfo::exists(path)) {
        const QFileInfoList mem =
            QDir(DataRoot()).entryInfoList({QStringLiteral("*.mem")}, QDir::Files, QDir::Time);
        if (mem.isEmpty()) return;
        path = mem.first().absoluteFilePath();
    }
    for (const auto& [key, raw] : ReadWindowValues(path)) {
        const QString value = raw.section(QStringLiteral("//"), 0, 0);
        QWidget* w = window->findChild<QWidget*>(key);
        if (!w || !stored(w)) continue;
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            const int height = number(value.section(QLatin1Char(';'), 0, 0), g->height());
            const int width = number(value.section(QLatin1Char(';'), 1, 1), g->width());
            // Inside a splitter the box's width is the splitter's to give.
            if (auto* split = qobject_cast<QSplitter*>(g->parentWidget())) {
                QList<int> sizes = split->sizes();
                const int at = split->indexOf(g);
                if (at >= 0 && width > 0) {
                    sizes[at] = width;
                    split->setSizes(sizes);
                }
            } else {
                g->resize(width, height);
            }
        } else if (auto* s = qobject_cast<QSpinBox*>(w)) {
            s->setValue(number(value, s->value()));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            const qsizetype semicolon = value.indexOf(QLatin1Char(';'));
            if (semicolon >= 0) {
                c->clear();
                const QString items = value.mid(semicolon + 1);
                if (!items.isEmpty()) c->addItems(items.split(QLatin1Char(',')));
            }
            c->setCurrentIndex(number(value.left(semicolon), c->currentIndex()));
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
            b->setChecked(value.section(QLatin1Char(';'), 0, 0) == QStringLiteral("0"));
        } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            t->setCurrentIndex(number(value, 0));
        }
    }
}

}  // namespace omi
