#include "config/ConfigEditors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "families/ConfigPageRules.h"
#include "families/DeviceRecords.h"
#include "families/U25.h"
#include "families/U28.h"
#include "protocol/Models.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"
#include "support/Format.h"

namespace omi {

using namespace cfgpage;

namespace {

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

void setLabelColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

QLabel* navyLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    setLabelColor(label, kNavy);
    return label;
}

// A label that reports clicks (the 234/235 weight labels switch the unit).
class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && onClick) onClick();
        QLabel::mousePressEvent(e);
    }
};

QComboBox* typeBox(const QString& name, QWidget* parent, int width) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(u34::SystemTypeTexts());
    box->setMinimumWidth(width);
    return box;
}

// The type box shows an item, or a text naming an unknown type.
void showType(QComboBox* box, int index, const QString& text) {
    box->setEditable(index < 0);
    if (index >= 0) {
        box->setCurrentIndex(index);
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

// The item shown, or the text naming an unknown type.
QString typeText(const QComboBox* box) { return box->currentText(); }

void showStatus(WindowStatusSink& status, const QString& text, bool error, bool plainColours) {
    if (plainColours)
        status.SetStatus(text, error ? kErrorColor : kOkColor);
    else if (error)
        status.error(text);
    else
        status.ok(text);
}

// --- the two-system editors (234/235, 229/230, 228) --------------------------

class TSystemEditor : public TConfigEditor {
public:
    TSystemEditor(int type, DeviceRecords& records, double scale, QWidget* parent)
        : TConfigEditor(type, records, scale, parent) {
        const Family family = FamilyOf(type);
        family_ = family == Family::F234   ? TwoSystemFamily::U34
                  : family == Family::F228 ? TwoSystemFamily::U28
                                           : TwoSystemFamily::U29;
        const bool contracts = family_ == TwoSystemFamily::U34;
        const std::array<QString, 8> labels = ValueLabels(family_);
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(px(5), px(5), px(5), px(5));
        grid->setHorizontalSpacing(px(5));
        grid->setVerticalSpacing(px(5));

        selector_ = new TRadioGroup(QStringLiteral("конфигурация"),
                                    {QStringLiteral("1-я Система"), QStringLiteral("2-я Система")}, 2, this);
        selector_->setObjectName(QStringLiteral("RGsys"));
        selector_->SetItemIndex(0);
        connect(selector_, &TRadioGroup::ItemIndexChanged, this, [this] { Q_EMIT SystemChanged(); });
        grid->addWidget(selector_, 0, 0, 1, 2);

        type_box_ = typeBox(QStringLiteral("CBsysType"), this, px(250));
        connect(type_box_, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(type_box_, 0, 2, 1, 2, Qt::AlignVCenter);

        summing_ = new QCheckBox(QStringLiteral("Суммировать при наличии нефатальных ошибок"), this);
        summing_->setObjectName(QStringLiteral("CBsum"));
        connect(summing_, &QCheckBox::toggled, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(summing_, 0, 4, 1, 3, Qt::AlignVCenter);

        // Edits 5..8 under the selector, 1..4 under the type box.
        for (int k = 0; k < 8; ++k) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Epar%1").arg(k + 1));
            edit->setFixedWidth(px(60));
            edit->setProperty("tag", k + 1);
            connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
            QLabel* label;
            if (k < 3 && contracts) {
                auto* click = new TClickLabel(labels[static_cast<std::size_t>(k)], this);
                click->setObjectName(QStringLiteral("Lpar%1").arg(k + 1));
                click->setCursor(Qt::PointingHandCursor);
                click->setToolTip(QStringLiteral("щелчок - сменить единицы веса импульса"));
                click->onClick = [this, k] { Q_EMIT WeightLabelClicked(k + 1); };
                setLabelColor(click, kNavy);
                label = click;
            } else {
                label = navyLabel(QStringLiteral("Lpar%1").arg(k + 1), labels[static_cast<std::size_t>(k)], this);
            }
            label->setProperty("tag", k + 1);
            edits_[static_cast<std::size_t>(k)] = edit;
            labels_[static_cast<std::size_t>(k)] = label;
            highlightLabel(edit, label);
            const int row = 1 + (k % 4);
            const int col = k < 4 ? 2 : 0;
            grid->addWidget(edit, row, col);
            grid->addWidget(label, row, col + 1);
        }

        // The contract values with their flag check boxes, right of the value edits.
        if (contracts) {
            for (int i = 0; i < 6; ++i) {
                auto* flag = new QCheckBox(this);
                flag->setObjectName(QStringLiteral("CBdog%1").arg(i + 1));
                flag->setFixedWidth(px(16) + 4);
                flag->setToolTip(QStringLiteral("использовать договорное значение"));
                connect(flag, &QCheckBox::toggled, this, [this] { Q_EMIT Changed(); });
                auto* edit = new QLineEdit(this);
                edit->setObjectName(QStringLiteral("Edog%1").arg(i + 1));
                edit->setFixedWidth(px(50));
                edit->setProperty("tag", i + 1);
                connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
                auto* label = navyLabel(QStringLiteral("Ldog%1").arg(i + 1), ContractLabel(i), this);
                label->setProperty("tag", i + 1);
                flags_[static_cast<std::size_t>(i)] = flag;
                contracts_[static_cast<std::size_t>(i)] = edit;
                highlightLabel(edit, label);
                grid->addWidget(flag, 1 + i, 4);
                grid->addWidget(edit, 1 + i, 5);
                grid->addWidget(label, 1 + i, 6);
            }
        }

        // The second cold-water temperature's check box under edit 8, the
        // period pickers to its right.
        second_ = new QCheckBox(SecondCheckText(family_), this);
        second_->setObjectName(QStringLiteral("CBsecondT"));
        connect(second_, &QCheckBox::toggled, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(second_, 5, 0, 1, 2);
        const QDate today = QDate::currentDate();
        const auto picker = [&](const char* name, const char* format, const char* hint) {
            auto* d = new QDateEdit(this);
            d->setObjectName(QString::fromUtf8(name));
            d->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
            d->setDisplayFormat(QString::fromUtf8(format));
            d->setToolTip(QString::fromUtf8(hint));
            d->setDateRange(QDate(today.year(), 1, 1), QDate(today.year(), 12, 31));
            d->setMinimumWidth(px(100));
            connect(d, &QDateEdit::dateChanged, this, [this] { Q_EMIT Changed(); });
            return d;
        };
        from_ = picker("DTPfirst", "с dd MMMM", "начало применения 2-й XBC");
        to_ = picker("DTPlast", "по dd MMMM", "конец применения 2-й XBC");
        auto* dates = new QHBoxLayout;
        dates->setSpacing(px(5));
        dates->addWidget(from_);
        dates->addWidget(to_);
        dates->addStretch(1);
        grid->addLayout(dates, 5, 2, 1, 2);
        // A wide page spreads the three groups of edits over its width.
        for (int labels : {1, 3, 6}) grid->setColumnStretch(labels, 1);
        grid->setRowStretch(contracts ? 7 : 6, 1);
    }

    int System() const override { return std::max(0, selector_->ItemIndex()); }
    void SetSelectorVisible(bool visible) override {
        selector_->setVisible(visible);
        if (!visible) selector_->SetItemIndex(0);
    }

    void Load() override {
        const int year = QDate::currentDate().year();
        const SystemPage page = family_ == TwoSystemFamily::U34 ? LoadPage(records_.f234.config, System(), year)
                                                                : LoadPage(family_, pair29(), System(), year);
        showType(type_box_, page.typeIndex, page.typeText);
        summing_->setChecked(page.summingChecked);
        second_->setChecked(page.secondChecked);
        for (std::size_t k = 0; k < 8; ++k) {
            edits_[k]->setText(page.values[k]);
            labels_[k]->setText(page.labels[k]);
        }
        if (family_ == TwoSystemFamily::U34) {
            for (std::size_t k = 0; k < 3; ++k) setLabelColor(labels_[k], page.pulsesPerLitre[k] ? kRed : kNavy);
            for (std::size_t i = 0; i < 6; ++i) {
                contracts_[i]->setText(page.contracts[i]);
                flags_[i]->setChecked(page.contractFlags[i]);
            }
        }
        from_->setDate(QDate(year, page.first.month, page.first.day));
        to_->setDate(QDate(year, page.last.month, page.last.day));
    }

    void Collect(WindowStatusSink& status) override {
        const SystemPage page = pageOfControls();
        const int s = System();
        Collected c;
        if (family_ == TwoSystemFamily::U34) {
            u34::ConfigPair& pair = records_.f234.config;
            c = CollectPage(page, s, pair[static_cast<std::size_t>(s)]);
            u34::ShareCommon(pair, s);
        } else {
            u29::ConfigPair& pair = pair29();
            c = CollectPage(family_, page, pair[static_cast<std::size_t>(s)]);
            u29::ShareCommon(pair, s);
        }
        edits_[6]->setEnabled(c.coldT1Enabled);
        labels_[6]->setEnabled(c.coldT1Enabled);
        second_->setEnabled(c.coldT1Enabled);
        edits_[7]->setEnabled(c.secondEnabled);
        labels_[7]->setEnabled(c.secondEnabled);
        from_->setEnabled(c.secondEnabled);
        to_->setEnabled(c.secondEnabled);
        showStatus(status, c.status, c.error, family_ != TwoSystemFamily::U28);
        const auto field = static_cast<std::size_t>(c.badField);
        setCollected(c.error, c.badField < 0 ? nullptr
                              : field < 8    ? static_cast<QWidget*>(edits_[field])
                                             : contracts_[field - 8]);
    }

    bool ToggleWeightUnit(int k) override {
        if (family_ != TwoSystemFamily::U34 || k < 1 || k > 3) return false;
        u34::ConfigRecord& rec = records_.f234.config[static_cast<std::size_t>(System())];
        double* const weights[3] = {&rec.weight1, &rec.weight2, &rec.weight3};
        double& word = *weights[k - 1];
        word = U34ToggleUnit(word);
        const bool perLitre = U34WeightView(word).pulsesPerLitre;
        QLabel* label = labels_[static_cast<std::size_t>(k - 1)];
        label->setText(U34WeightLabel(k, perLitre));
        setLabelColor(label, perLitre ? kRed : kNavy);
        return true;
    }

private:
    u29::ConfigPair& pair29() const {
        return family_ == TwoSystemFamily::U28 ? records_.f228.config : records_.f229.config;
    }

    SystemPage pageOfControls() const {
        SystemPage page;
        page.typeIndex = type_box_->isEditable() ? -1 : type_box_->currentIndex();
        page.typeText = typeText(type_box_);
        for (std::size_t k = 0; k < 8; ++k) {
            page.values[k] = edits_[k]->text();
            page.labels[k] = labels_[k]->text();
        }
        if (family_ == TwoSystemFamily::U34)
            for (std::size_t i = 0; i < 6; ++i) {
                page.contracts[i] = contracts_[i]->text();
                page.contractFlags[i] = flags_[i]->isChecked();
            }
        page.summingChecked = summing_->isChecked();
        page.secondChecked = second_->isChecked();
        page.first = {from_->date().day(), from_->date().month()};
        page.last = {to_->date().day(), to_->date().month()};
        return page;
    }

    TwoSystemFamily family_;
    TRadioGroup* selector_;
    QComboBox* type_box_;
    QCheckBox* summing_;
    QCheckBox* second_;
    std::array<QLineEdit*, 8> edits_{};
    std::array<QLabel*, 8> labels_{};
    std::array<QLineEdit*, 6> contracts_{};
    std::array<QCheckBox*, 6> flags_{};
    QDateEdit* from_;
    QDateEdit* to_;
};

// --- family 227 ----------------------------------------------------------------

class TU27Editor : public TConfigEditor {
public:
    TU27Editor(int type, DeviceRecords& records, double scale, QWidget* parent)
        : TConfigEditor(type, records, scale, parent) {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(px(5), px(5), px(5), px(5));
        grid->setSpacing(px(5));
        type_box_ = typeBox(QStringLiteral("CBsysType"), this, px(250));
        connect(type_box_, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(type_box_, 0, 0, 1, 2, Qt::AlignLeft);
        for (int k = 0; k < 5; ++k) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Epar%1").arg(k + 1));
            edit->setFixedWidth(px(60));
            connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
            edits_[static_cast<std::size_t>(k)] = edit;
            labels_[static_cast<std::size_t>(k)] =
                navyLabel(QStringLiteral("Lpar%1").arg(k + 1), U27Labels()[static_cast<std::size_t>(k)], this);
            highlightLabel(edit, labels_[static_cast<std::size_t>(k)]);
            grid->addWidget(edit, 1 + k, 0);
            grid->addWidget(labels_[static_cast<std::size_t>(k)], 1 + k, 1);
        }
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(6, 1);
    }

    void Load() override {
        const U27Page page = LoadPage(records_.f227.config);
        showType(type_box_, page.typeIndex, page.typeText);
        for (std::size_t k = 0; k < 5; ++k) edits_[k]->setText(page.values[k]);
    }

    void Collect(WindowStatusSink& status) override {
        U27Page page;
        page.typeIndex = type_box_->isEditable() ? -1 : type_box_->currentIndex();
        page.typeText = typeText(type_box_);
        for (std::size_t k = 0; k < 5; ++k) page.values[k] = edits_[k]->text();
        const Collected c = CollectPage(page, records_.f227.config);
        edits_[4]->setEnabled(c.coldT1Enabled);
        labels_[4]->setEnabled(c.coldT1Enabled);
        showStatus(status, c.status, c.error, true);
        setCollected(c.error, c.badField >= 0 ? edits_[static_cast<std::size_t>(c.badField)] : nullptr);
    }

private:
    QComboBox* type_box_;
    std::array<QLineEdit*, 5> edits_{};
    std::array<QLabel*, 5> labels_{};
};

// --- family 225 ------------------------------------------------------------------

class TU25Editor : public TConfigEditor {
public:
    TU25Editor(int type, DeviceRecords& records, double scale, QWidget* parent)
        : TConfigEditor(type, records, scale, parent) {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(px(5), px(5), px(5), px(5));
        grid->setHorizontalSpacing(px(5));
        grid->setVerticalSpacing(px(5));
        type_box_ = typeBox(QStringLiteral("CBsysType"), this, px(250));
        connect(type_box_, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(type_box_, 0, 0, 1, 2, Qt::AlignLeft);

        two_ = new QCheckBox(QStringLiteral("Два тарифа"), this);
        two_->setObjectName(QStringLiteral("CBtwoTariffs"));
        connect(two_, &QCheckBox::toggled, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(two_, 1, 0, 1, 2);
        for (int i = 0; i < 2; ++i) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("MEtariff%1").arg(i + 1));
            // Two-digit hours and minutes, blanks shown as "_".
            edit->setInputMask(QStringLiteral("99:99;_"));
            edit->setFixedWidth(px(60));
            connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
            tariffs_[static_cast<std::size_t>(i)] = edit;
            tariffLabels_[static_cast<std::size_t>(i)] = navyLabel(
                QStringLiteral("Ltariff%1").arg(i + 1), QStringLiteral("Начало тарифа № %1").arg(i + 1), this);
            highlightLabel(edit, tariffLabels_[static_cast<std::size_t>(i)]);
            grid->addWidget(edit, 2 + i, 0);
            grid->addWidget(tariffLabels_[static_cast<std::size_t>(i)], 2 + i, 1);
        }
        limit_ = new QCheckBox(QStringLiteral("Использовать ограничение t°С ГВС"), this);
        limit_->setObjectName(QStringLiteral("CBlimit"));
        connect(limit_, &QCheckBox::toggled, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(limit_, 4, 0, 1, 2);

        static const char* const names[6] = {"вес имп.1-го р-мера,л/имп",   "вес имп.2-го р-мера,л/имп",
                                             "вес имп.р-мера ГВС,л/имп",    "вес имп. счетчика ЭЭ",
                                             "t°C XBC для открытых систем", "ограничение t°С ГВС"};
        for (int k = 0; k < 6; ++k) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Epar%1").arg(k + 1));
            edit->setFixedWidth(px(60));
            connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
            edits_[static_cast<std::size_t>(k)] = edit;
            labels_[static_cast<std::size_t>(k)] =
                navyLabel(QStringLiteral("Lpar%1").arg(k + 1), QString::fromUtf8(names[k]), this);
            highlightLabel(edit, labels_[static_cast<std::size_t>(k)]);
            grid->addWidget(edit, k, 3);
            grid->addWidget(labels_[static_cast<std::size_t>(k)], k, 4);
        }
        grid->setColumnMinimumWidth(2, px(20));
        // A wide page spreads the two groups of edits over its width.
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(4, 1);
        grid->setRowStretch(6, 1);
    }

    void Load() override {
        const u25::ConfigRecord& c = records_.f225.config;
        const QStringList& types = u34::SystemTypeTexts();
        if (c.systemType >= 1 && c.systemType <= types.size())
            showType(type_box_, c.systemType - 1, {});
        else
            showType(type_box_, -1, Format(QStringLiteral("Тип системы=%d не определен"), {c.systemType}));
        two_->setChecked(c.twoTariffs == 1);
        limit_->setChecked(c.limitUsed == 1);
        tariffs_[0]->setText(u25::TariffStartText(c.tariff1Start));
        tariffs_[1]->setText(u25::TariffStartText(c.tariff2Start));
        const QString whole = QStringLiteral("%.0f");
        edits_[0]->setText(Format(whole, {c.weight1}));
        edits_[1]->setText(Format(whole, {c.weight2}));
        edits_[2]->setText(Format(whole, {c.weight3}));
        edits_[3]->setText(QString::number(c.energyWeight));
        edits_[4]->setText(QString::number(c.coldT));
        edits_[5]->setText(QString::number(c.limitT));
    }

    void Collect(WindowStatusSink& status) override {
        u25::ConfigPage page;
        page.systemIndex = type_box_->isEditable() ? records_.f225.config.systemType - 1 : type_box_->currentIndex();
        page.twoTariffs = two_->isChecked();
        page.useLimit = limit_->isChecked();
        page.tariff1 = tariffs_[0]->text();
        page.tariff2 = tariffs_[1]->text();
        page.weight1 = edits_[0]->text();
        page.weight2 = edits_[1]->text();
        page.weight3 = edits_[2]->text();
        page.energyWeight = edits_[3]->text();
        page.coldT = edits_[4]->text();
        page.limitT = edits_[5]->text();
        const u25::PageConversion c = u25::PageToConfig(page, records_.f225.config);
        {
            // A complete tariff start is written back as the record holds it
            // (25:75 -> 01:15); one still being typed is left alone.
            ReadyGuard quiet;
            const QString written[2] = {c.tariff1, c.tariff2};
            for (std::size_t i = 0; i < 2; ++i)
                if (tariffs_[i]->hasAcceptableInput() && tariffs_[i]->text() != written[i])
                    tariffs_[i]->setText(written[i]);
        }
        for (std::size_t i = 0; i < 2; ++i) {
            tariffs_[i]->setEnabled(page.twoTariffs);
            tariffLabels_[i]->setEnabled(page.twoTariffs);
        }
        const bool open = IsOpenSystem(type_box_->currentText());
        edits_[4]->setEnabled(open);
        labels_[4]->setEnabled(open);
        edits_[5]->setEnabled(page.useLimit);
        labels_[5]->setEnabled(page.useLimit);
        showStatus(status, c.status, c.statusIsError, false);
        setCollected(c.statusIsError, c.badEdit >= 0 ? edits_[static_cast<std::size_t>(c.badEdit)] : nullptr);
    }

private:
    QComboBox* type_box_;
    QCheckBox* two_;
    QCheckBox* limit_;
    std::array<QLineEdit*, 2> tariffs_{};
    std::array<QLabel*, 2> tariffLabels_{};
    std::array<QLineEdit*, 6> edits_{};
    std::array<QLabel*, 6> labels_{};
};

// --- ЛОРС ------------------------------------------------------------------------------

class TLorsEditor : public TConfigEditor {
public:
    TLorsEditor(int type, DeviceRecords& records, double scale, QWidget* parent)
        : TConfigEditor(type, records, scale, parent) {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(px(5), px(5), px(5), px(5));
        grid->setSpacing(px(5));
        channels_ = new QComboBox(this);
        channels_->setObjectName(QStringLiteral("CBchannels"));
        channels_->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")});
        channels_->setFixedWidth(px(60));
        channels_->setToolTip(QStringLiteral("модификация ЛОРС (кол-во каналов)"));
        connect(channels_, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT Changed(); });
        grid->addWidget(channels_, 0, 0);
        grid->addWidget(navyLabel(QStringLiteral("Lchannels"), QStringLiteral("кол-во каналов"), this), 0, 1);
        for (int i = 0; i < 4; ++i) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Ew%1").arg(i + 1));
            edit->setFixedWidth(px(60));
            edit->setToolTip(QStringLiteral("№ веса 0..3: 1000, 100, 10 или 1 литр/имп"));
            connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(); });
            edits_[static_cast<std::size_t>(i)] = edit;
            labels_[static_cast<std::size_t>(i)] = navyLabel(QStringLiteral("Lw%1").arg(i + 1), LorsLabel(i + 1), this);
            highlightLabel(edit, labels_[static_cast<std::size_t>(i)]);
            grid->addWidget(edit, 1 + i, 0);
            grid->addWidget(labels_[static_cast<std::size_t>(i)], 1 + i, 1);
        }
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(5, 1);
    }

    void Load() override {
        const LorsPage page = LoadLorsPage(records_.lors.config);
        const int index = channels_->findText(page.channels);
        channels_->setCurrentIndex(index >= 0 ? index : channels_->count() - 1);
        for (std::size_t i = 0; i < 4; ++i) edits_[i]->setText(page.weights[i]);
    }

    void Collect(WindowStatusSink& status) override {
        LorsPage page;
        page.channels = channels_->currentText();
        for (std::size_t i = 0; i < 4; ++i) page.weights[i] = edits_[i]->text();
        const LorsCollected c = CollectLorsPage(page, records_.lors.config);
        for (std::size_t i = 0; i < 4; ++i) {
            const bool shown = static_cast<int>(i) < c.channels;
            labels_[i]->setText(c.labels[i]);
            edits_[i]->setVisible(shown);
            labels_[i]->setVisible(shown);
        }
        showStatus(status, c.status, c.error, false);
        setCollected(c.error, c.badWeight >= 0 ? edits_[static_cast<std::size_t>(c.badWeight)] : nullptr);
    }

private:
    QComboBox* channels_;
    std::array<QLineEdit*, 4> edits_{};
    std::array<QLabel*, 4> labels_{};
};

}  // namespace

TConfigEditor::TConfigEditor(int deviceType, DeviceRecords& records, double scale, QWidget* parent)
    : QWidget(parent), type_(deviceType), records_(records), scale_(scale) {
    setObjectName(QStringLiteral("ConfigEditor"));
}

int TConfigEditor::px(double size) const { return static_cast<int>(std::lround(size * scale_)); }

void TConfigEditor::highlightLabel(QWidget* edit, QWidget* label) {
    labelOf_.insert(edit, label);
    edit->installEventFilter(this);
}

void TConfigEditor::setCollected(bool error, QWidget* badField) {
    hasError_ = error;
    badField_ = badField;
}

bool TConfigEditor::eventFilter(QObject* watched, QEvent* event) {
    // A value that cannot be taken is an error at its edit: Tab and Enter do
    // not leave it (the status line says what is wrong).
    if (event->type() == QEvent::KeyPress && watched == badField_ && badField_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (QWidget* label = labelOf_.value(watched)) {
            // Lit: the tooltip background; unlit: the page's own face shows
            // through again.
            const bool lit = event->type() == QEvent::FocusIn;
            QPalette p = label->palette();
            p.setColor(QPalette::Window, palette().color(QPalette::ToolTipBase));
            label->setPalette(p);
            label->setAutoFillBackground(lit);
        }
    }
    return QWidget::eventFilter(watched, event);
}

TConfigEditor* CreateConfigEditor(int deviceType, DeviceRecords& records, double scale, QWidget* parent) {
    switch (FamilyOf(deviceType)) {
        case Family::F228:
        case Family::F229:
        case Family::F234:
            return new TSystemEditor(deviceType, records, scale, parent);
        case Family::F227:
            return new TU27Editor(deviceType, records, scale, parent);
        case Family::F225:
            return new TU25Editor(deviceType, records, scale, parent);
        case Family::Lors128:
            return new TLorsEditor(deviceType, records, scale, parent);
        case Family::None:
            break;
    }
    return nullptr;
}

}  // namespace omi
