// The device descriptors: what every part of the program derives from them
// holds together for every registered type, an unregistered type gets
// nothing anywhere, and the error columns of the archive tables are found
// from the family's columns.

#include <gtest/gtest.h>

#include <set>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveRange.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "families/ErrBits.h"
#include "reports/ReportItems.h"
#include "service/DeviceReading.h"

using namespace omi;

namespace {

TEST(DeviceFamily, EveryModelIsConsistentAcrossItsUses) {
    std::set<int> types;
    std::set<QString> names;
    for (const DeviceModel& model : DeviceModels()) {
        SCOPED_TRACE(model.type);
        const int type = model.type;
        EXPECT_TRUE(types.insert(type).second);
        EXPECT_TRUE(names.insert(QString::fromUtf8(model.name)).second);
        ASSERT_NE(model.family, nullptr);
        EXPECT_EQ(DescriptorOf(type), &model);
        EXPECT_EQ(FamilyOf(type), model.family->id);
        ASSERT_TRUE(model.heatSystems == 1 || model.heatSystems == 2);
        // A two-system calculator keeps a configuration per system.
        if (model.heatSystems == 2) {
            EXPECT_TRUE(model.family->configPerSystem);
        }

        // Every state text has its line on the state page and in the log.
        Connection line;
        line.SetDevice(1, type);
        EXPECT_EQ(line.Model(), &model);
        EXPECT_EQ(line.Family(), model.family);
        for (int system = 0; system < model.heatSystems; ++system)
            EXPECT_EQ(StateValueTexts(line, system).size(), qsizetype(StateTableOf(type)->lines.size()));
        EXPECT_TRUE(StateDecoder(line));
        EXPECT_TRUE(ConfigDecoder(line));

        // Archives: tabs per heat system, a depth, and a read procedure that
        // fills records of the family's own layout.
        const ArchiveFamily* archive = ArchiveFamilyOf(type);
        const ArchiveProcedure* procedure = ArchiveProcedureOf(type);
        int daily = 0, hourly = 0;
        EXPECT_EQ(ArchiveDepth(type, &daily, &hourly), archive != nullptr);
        if (!archive) {
            EXPECT_EQ(procedure, nullptr);
            EXPECT_TRUE(ArchiveTabs(type).isEmpty());
            continue;
        }
        ASSERT_NE(procedure, nullptr);
        EXPECT_EQ(procedure->record, archive->layout);
        EXPECT_GT(daily, 0);
        EXPECT_GT(hourly, 0);
        const QList<ArchiveTab> tabs = ArchiveTabs(type);
        EXPECT_EQ(tabs.size(), 4 * model.heatSystems);
        for (const ArchiveTab& tab : tabs) EXPECT_LT(tab.system, model.heatSystems);
        EXPECT_FALSE(TemplateFamily(type).isEmpty());
    }
}

TEST(DeviceFamily, UnknownTypesGetNothing) {
    for (int type : {-1, 0, 127, 226, 238, 255}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(DescriptorOf(type), nullptr);
        EXPECT_EQ(FamilyOf(type), Family::None);
        EXPECT_EQ(HeatSystemsOf(type), 0);
        Connection line;
        line.SetDevice(1, type);
        EXPECT_EQ(line.Model(), nullptr);
        EXPECT_EQ(line.Family(), nullptr);
        EXPECT_FALSE(StateDecoder(line));
        EXPECT_FALSE(ConfigDecoder(line));
        EXPECT_TRUE(StateValueTexts(line, 0).isEmpty());
        EXPECT_TRUE(ConfigValueTexts(line).isEmpty());
        EXPECT_EQ(StateTableOf(type), nullptr);
        EXPECT_EQ(ErrorTextTable(type, ErrorTag::Device), nullptr);
        EXPECT_EQ(ArchiveFamilyOf(type), nullptr);
        EXPECT_EQ(ArchiveProcedureOf(type), nullptr);
        EXPECT_TRUE(ArchiveTabs(type).isEmpty());
        EXPECT_FALSE(ArchiveDepth(type, nullptr, nullptr));
        EXPECT_TRUE(TemplateFamily(type).isEmpty());
        EXPECT_FALSE(ChangeLogAfterIdentify(type));
    }
}

TEST(DeviceFamily, ErrorColumnsOfTheArchiveTables) {
    struct Case {
        int type;
        const char* heading2;
        ErrorTag tag;
    };
    const Case cases[] = {
        {234, "системы", ErrorTag::System}, {236, " уст-ва ", ErrorTag::Device}, {229, "системы", ErrorTag::System},
        {228, "уст-ва", ErrorTag::Device},  {225, "код", ErrorTag::Device},      {227, "код ", ErrorTag::Device},
        {234, "код", ErrorTag::None},       {225, "системы", ErrorTag::None},    {234, "раб", ErrorTag::None},
        {234, "", ErrorTag::None},          {128, "код", ErrorTag::None},        {226, "системы", ErrorTag::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.heading2);
        EXPECT_EQ(ErrorColumnTag(c.type, QString::fromUtf8(c.heading2)), c.tag);
        // A column that holds a code has texts to decode it with.
        if (c.tag != ErrorTag::None) {
            EXPECT_NE(ErrorTextTable(c.type, c.tag), nullptr);
        }
    }
}

}  // namespace
