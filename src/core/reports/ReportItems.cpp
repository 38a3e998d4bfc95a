#include "reports/ReportItems.h"

#include "families/DeviceFamily.h"

namespace omi {

namespace {

const QStringList& Items25()
{
    static const QStringList items = {
        QStringLiteral("00.%s~Тип устройства,"),
        QStringLiteral("01.%s~Серийный номер"),
        QStringLiteral("02.%s~дата текущая"),
        QStringLiteral("03.от %s до %s~даты границ архива"),
        QStringLiteral("04.%s~наименование архива"),
        QStringLiteral("05.dd\"/\"mm~арх дата"),
        QStringLiteral("06.%-25.1f~арх ТЕПЛО"),
        QStringLiteral("07.%-20.1f~арх Расход1"),
        QStringLiteral("08.%10.1f~арх Расход2"),
        QStringLiteral("09.%10.1f~арх Расход3"),
        QStringLiteral("10.%10.1f~арх Расход без ГВС"),
        QStringLiteral("11.%10.1f~арх Расх1-Расх2"),
        QStringLiteral("12.%10.1f~apx t°С подача"),
        QStringLiteral("13.%10.1f~apx t°С обратка"),
        QStringLiteral("14.%10.1f~apx t°С дополнительная  "),
        QStringLiteral("15.%10.1f~apx t°С подача-обратка"),
        QStringLiteral("16.%10.1f~арх ЭЭ 1 тариф   "),
        QStringLiteral("17.%10.1f~арх ЭЭ 2 тариф "),
        QStringLiteral("18.:%.2d~арх час записи"),
        QStringLiteral("19.%d~арх ошибка уст-ва"),
        QStringLiteral("20.%.2d:%.2d~арх пер-д работы с ош"),
        QStringLiteral("21.итого:~слово"),
        QStringLiteral("22.%dдн%.2d:%.2d~итого сумм время раб с ош"),
    };
    return items;
}

const QStringList& Items27()
{
    static const QStringList items = {
        QStringLiteral("00.%s~Тип устройства,"),
        QStringLiteral("01.%s~Серийный номер"),
        QStringLiteral("02.%s~дата текущая"),
        QStringLiteral("03.от %s до %s~даты границ архива"),
        QStringLiteral("04.%s~наименование архива"),
        QStringLiteral("05.dd\"/\"mm~арх дата"),
        QStringLiteral("06.%-25.1f~арх ТЕПЛО"),
        QStringLiteral("07.%-20.1f~арх Расход1"),
        QStringLiteral("08.%10.1f~арх Расход2"),
        QStringLiteral("09.%10.1f~арх Расход ГВС"),
        QStringLiteral("10.%10.1f~арх Расход4"),
        QStringLiteral("11.%10.1f~арх Расх1-Расх2"),
        QStringLiteral("12.%10.1f~apx t°С подача"),
        QStringLiteral("13.%10.1f~apx t°С обратка"),
        QStringLiteral("14.%10.1f~apx t°С дополнительная  "),
        QStringLiteral("15.%10.1f~apx t°С подача-обратка"),
        QStringLiteral("16.:%.2d~арх час записи"),
        QStringLiteral("17.%d~арх ошибка уст-ва"),
        QStringLiteral("18.%.2d:%.2d~арх пер-д работы с ош"),
        QStringLiteral("19.итого:~слово"),
        QStringLiteral("20.%dдн%.2d:%.2d~итого сумм время раб с ош"),
    };
    return items;
}

const QStringList& Items28()
{
    static const QStringList items = {
        QStringLiteral("00.%s~Тип устройства,"),
        QStringLiteral("01.%s~Серийный номер"),
        QStringLiteral("02.%s~дата текущая"),
        QStringLiteral("03.%d~номер системы"),
        QStringLiteral("04.от %s до %s~даты границ архива"),
        QStringLiteral("05.%s~наименование архива"),
        QStringLiteral("06.dd\"/\"mm~арх дата"),
        QStringLiteral("07.%-25.1f~арх ТЕПЛО"),
        QStringLiteral("08.%-20.1f~арх Расход1"),
        QStringLiteral("09.%10.1f~арх Расход2"),
        QStringLiteral("10.%10.1f~арх Расход3"),
        QStringLiteral("11.%10.1f~арх Расх1-Расх2"),
        QStringLiteral("12.%10.1f~apx t°С подача"),
        QStringLiteral("13.%10.1f~apx t°С обратка"),
        QStringLiteral("14.%10.1f~apx t°С дополнительная  "),
        QStringLiteral("15.%10.1f~apx t°С подача-обратка"),
        QStringLiteral("16.%10.1f~арх давление 1   "),
        QStringLiteral("17.%10.1f~арх давление 2 "),
        QStringLiteral("18.:%.2d~арх час записи"),
        QStringLiteral("19.%d~арх ошибка системы"),
        QStringLiteral("20.%.2d:%.2d~арх пер-д работы с ош"),
        QStringLiteral("21.итого:~слово"),
        QStringLiteral("22.%dдн%.2d:%.2d~итого сумм время раб с ош"),
        QStringLiteral("23.%d~арх наработка"),
    };
    return items;
}

const QStringList& Items34()
{
    static const QStringList items = {
        QStringLiteral("00.%s~Тип устройства,"),
        QStringLiteral("01.%s~Серийный номер"),
        QStringLiteral("02.%s~дата текущая"),
        QStringLiteral("03.%d~номер системы"),
        QStringLiteral("04.от %s до %s~даты границ архива"),
        QStringLiteral("05.%s~наименование архива"),
        QStringLiteral("06.dd\".\"mm\".\"yy~арх дата"),
        QStringLiteral("07.%-25.1f~арх ТЕПЛО"),
        QStringLiteral("08.%-20.1f~арх Расход1"),
        QStringLiteral("09.%10.1f~арх Расход2"),
        QStringLiteral("10.%10.1f~арх Расход3"),
        QStringLiteral("11.%10.1f~арх Расх1-Расх2"),
        QStringLiteral("12.%10.1f~apx t°С подача"),
        QStringLiteral("13.%10.1f~apx t°С обратка"),
        QStringLiteral("14.%10.1f~apx t°С дополнительная  "),
        QStringLiteral("15.%10.1f~apx t°С подача-обратка"),
        QStringLiteral("16.%10.1f~арх давление 1   "),
        QStringLiteral("17.%10.1f~арх давление 2 "),
        QStringLiteral("18.%.2d:00~арх час записи"),
        QStringLiteral("19.%d~арх ошибка системы"),
        QStringLiteral("20.%.2d:%.2d~арх пер-д работы с ош"),
        QStringLiteral("21.Итого:~слово ИТОГО:"),
        QStringLiteral("22.%dдн%.2d:%.2d~итого сумм время раб с ош"),
        QStringLiteral("23.%d~арх наработка"),
        QStringLiteral("24.%d~арх ошибка устройства"),
        QStringLiteral("25.%d~арх Время работы узла в минутах "),
        QStringLiteral("26.%d~арх Тепл.энергия за отч.период"),
        QStringLiteral("27.%d~арх Объем V1 за отч.период"),
        QStringLiteral("28.%d~арх Объем V2 за отч.период"),
        QStringLiteral("29.%d~арх Объем V3 за отч.период"),
        QStringLiteral("30.%d~арх Время действия фатальной ошибки отч.период"),
        QStringLiteral("31.%d~арх Время действия ошибки малого расхода отч.период"),
        QStringLiteral("32.%d~арх Энергия ошибке малого расхода отч.период"),
        QStringLiteral("33.%d~арх Время действия ошибки сл большого расхода"),
        QStringLiteral("34.%d~арх Энергия ошибке сл. большого расхода отч.период"),
        QStringLiteral("35.%d~арх Время действия ошибки слишком малой Т1-Т2 отч.период"),
        QStringLiteral("36.%d~арх Энергия при ошибке малой Т1-Т2 отч.период"),
        QStringLiteral("37.%10.1f~ИТОГО Среднее арифметическое значение t°С подача"),
        QStringLiteral("38.%10.1f~ИТОГО Среднее арифметическое значение t°С обратка"),
        QStringLiteral("39.%10.1f~ИТОГО Среднее арифметическое значение t°С дополнительная  "),
        QStringLiteral("40.%10.1f~ИТОГО Среднее арифметическое значение t°С подача-обратка"),
    };
    return items;
}
}  // namespace

QString TemplateFamily(int deviceType)
{
    const DeviceModel* model = DescriptorOf(deviceType);
    return model ? QString::fromLatin1(model->reportItems) : QString();
}

const QStringList& DefaultItems(const QString& family)
{
    static const QStringList none;
    if (family == QLatin1String("25")) return Items25();
    if (family == QLatin1String("27")) return Items27();
    if (family == QLatin1String("28") || family == QLatin1String("30")) return Items28();
    if (family == QLatin1String("29") || family == QLatin1String("34")) return Items34();
    return none;
}

int ItemCount(const QString& family)
{
    return int(DefaultItems(family).size());
}

QString ItemFormat(const QString& item)
{
    const qsizetype start = item.indexOf(QLatin1Char('.')) + 1;
    qsizetype end = item.indexOf(QLatin1Char('~'));
    if (end < 0) end = item.size();
    if (end <= start) return QString();
    return item.mid(start, end - start);
}

QString ItemDescription(const QString& item)
{
    const qsizetype tilde = item.indexOf(QLatin1Char('~'));
    return tilde < 0 ? QString() : item.mid(tilde + 1);
}

}  // namespace omi
