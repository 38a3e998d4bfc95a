// omi-sim's answers pinned byte for byte: for every device type, a fixed
// device clock and serial number, the same scripted list of requests goes
// through the command line and the line responder as omi-sim builds them, and
// every answer must equal the recorded one. The recorded answers are the
// first 32 bits of each answer's SHA-1 ("-": no answer); a change shows the
// request and the whole answer the simulator now gives.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>

#include "SimOptions.h"
#include "SimResponder.h"

using omi::Frame;

namespace {

// One request of the script. Config write-back sends the data of the last
// configuration read, its first byte raised by one, as command 4. A serial
// number of -1 is the device's own.
struct Step {
    int command;
    Frame data;
    int serial = -1;
    bool configWriteBack = false;
};

Frame addressed(int type, int serial, int command, const Frame& data) {
    Frame f(data.size() + 6, 0);
    f[0] = static_cast<std::uint8_t>(f.size());
    f[1] = static_cast<std::uint8_t>(type);
    f[2] = static_cast<std::uint8_t>(serial & 0xFF);
    f[3] = static_cast<std::uint8_t>(serial >> 8);
    f[4] = static_cast<std::uint8_t>(command);
    std::copy(data.begin(), data.end(), f.begin() + 5);
    f.back() = omi::FrameCheckByte(f.data(), f.size() - 1);
    return f;
}

// Archive record request bytes: position low byte first, bit 7 of the second
// byte for the daily ring.
Step record(bool daily, int position) {
    return {
        omi::cmd::ArchiveRecord,
        {static_cast<std::uint8_t>(position & 0xFF), static_cast<std::uint8_t>((position >> 8) | (daily ? 0x80 : 0))}};
}

std::vector<Step> script() {
    std::vector<Step> steps{
        {0, {}},  {1, {}},  {1, {}},   {5, {}}, {4, {}, -1, true}, {5, {}},  {4, {7}},       {5, {}},
        {21, {}}, {20, {}}, {254, {}}, {7, {}}, {99, {1}},         {3, {1}}, {3, {1, 2, 3}},
    };
    // Ring edges of every family: both sides of the default last-written
    // positions, the tops and the first positions off the rings.
    for (const int p : {0, 39, 40, 41, 61, 62, 90, 91, 127, 128, 199, 200, 201, 365, 366, 32767})
        steps.push_back(record(true, p));
    for (const int p : {0, 599, 600, 601, 700, 701, 959, 960, 1023, 1024, 1080, 1081, 4096})
        steps.push_back(record(false, p));
    // The water meter's writes (silence or no meaning for the calculators):
    // a configuration write, a refused channel count, a short write, network
    // number 0, then a new number, answered by it only.
    const std::vector<Step> lors{
        {255, {2, 0xE4}}, {1, {}},           {255, {3, 0}}, {1, {}},      {255, {4}},   {2, {0, 0}},
        {2, {1, 2, 3}},   {2, {0x2B, 0x02}}, {1, {}},       {1, {}, 555}, {0, {}, 555},
    };
    steps.insert(steps.end(), lors.begin(), lors.end());
    return steps;
}

QString digest(const std::optional<Frame>& answer) {
    if (!answer) return QStringLiteral("-");
    const QByteArray bytes(reinterpret_cast<const char*>(answer->data()), static_cast<qsizetype>(answer->size()));
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).left(4).toHex());
}

QString hex(const std::optional<Frame>& frame) {
    if (!frame) return QStringLiteral("(none)");
    QStringList parts;
    for (const std::uint8_t b : *frame) parts << QString::number(b);
    return parts.join(QLatin1Char(' '));
}

struct Exchange {
    Frame request;
    std::optional<Frame> answer;
};

// The script through the command line and the responder, as omi-sim runs it.
std::vector<Exchange> run(const QStringList& options, int type, int serial) {
    omi::SimOptions parsed;
    const QString error =
        omi::ParseSimOptions(QStringList{QStringLiteral("omi-sim"), QStringLiteral("--pty")} + options, parsed);
    EXPECT_EQ(error, QString());
    std::vector<omi::SimDevice> devices;
    for (const auto& [t, s] : parsed.devices) devices.emplace_back(t, s, parsed.settings);
    omi::SimResponder responder(std::move(devices), parsed.faults);

    std::vector<Exchange> exchanges;
    Frame lastConfig;
    for (const Step& step : script()) {
        Frame data = step.data;
        if (step.configWriteBack && lastConfig.size() > 6) {
            data.assign(lastConfig.begin() + 5, lastConfig.end() - 1);
            ++data[0];
        }
        Exchange e{addressed(type, step.serial < 0 ? serial : step.serial, step.command, data), std::nullopt};
        e.answer = responder.Respond(e.request);
        if (step.command == omi::cmd::ReadConfig && e.answer) lastConfig = *e.answer;
        exchanges.push_back(std::move(e));
    }
    return exchanges;
}

struct Golden {
    int type;
    const char* options;  // beyond --pty, --type and --serial
    int serial;
    const char* answers;
};

// Fixed clocks: the first row of each type keeps the default last-written
// positions; the second starts a new year with the daily ring laid out top
// first (-1), an hourly position off every ring and every write refused.
const char* const kDefaults = "--today 2026-03-07T10";
const char* const kWrapped = "--today 2026-01-01T00 --daily-current -1 --hourly-current 65534 --write-result 1";

const Golden kGolden[] = {
    {128, kDefaults, 417,
     "f4d00c02 868e6bb1 868e6bb1 - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - "
     "- - - - - - 0ef37af7 4036f8a0 0ef37af7 4036f8a0 - b8f4357d - 2daddcee - 5a202a5d 8141cd27"},
    {128, kWrapped, 9,
     "137fba79 28df8de3 28df8de3 - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - "
     "- - - - - - 841b8641 28df8de3 841b8641 28df8de3 - e6121062 - e6121062 28df8de3 - -"},
    {225, kDefaults, 417,
     "9f302ce6 49b648b1 38454809 7334ba7d de79d96b 6c72f063 - 6c72f063 2101e131 1ab0f1d9 6912400b - - "
     "- - 2ad07109 cab73163 5237be7b d430c817 5c7eed05 ff7fa27b c23e7256 05c758d7 8bcd2214 8b8074f6 "
     "8b8074f6 8b8074f6 8b8074f6 8b8074f6 8b8074f6 8b8074f6 26ddf98b d289e6d7 53ab1bdd 26e8d2fe "
     "a121ad9c 0149b95c 1c3777f8 b0fa7696 e4bfd80e 8b8074f6 8b8074f6 8b8074f6 8b8074f6 - c1297299 - "
     "4833772d - - - - 5a637599 - -"},
    {225, kWrapped, 9,
     "f43b2121 ea4db161 2c1bf931 12fbc9c4 - 12fbc9c4 - 12fbc9c4 87030a2e fc7047d1 57dc7c82 - - - - "
     "7f31704e 14841e6c d9df9fd2 f4247a26 b184638f 52bb8ab3 0ac4abb9 14adf033 4653a185 d455d7ad "
     "d455d7ad d455d7ad d455d7ad d455d7ad d455d7ad d455d7ad fb79b5be 08afe3bc 28553a4f e40a4673 "
     "dfbfda28 69bd11c8 c9a66d7f e7c4da9d 64818b2f d455d7ad d455d7ad d455d7ad d455d7ad - 2e3f8b10 - "
     "8bc766e9 - - - - cbd8d18f - -"},
    {227, kDefaults, 417,
     "daae5e77 c328e17a ab282679 522c9af7 483c5632 3a0388b1 - 3a0388b1 e53663fc 8946c896 261c3752 - - "
     "- - c9c2a873 2c609db8 0b0d6050 aff7b87a 251cb85f 7a2ad4b3 4f3b40ff 8705e9c7 b48ba853 7bd0a7ec "
     "7bd0a7ec 7bd0a7ec 7bd0a7ec 7bd0a7ec 7bd0a7ec 7bd0a7ec 6a0ebf81 c0b55188 0c1f58bd addab16c "
     "fd8a6d5b d7d233f4 8f3a1ade 0bc54d0b 071b4639 7bd0a7ec 7bd0a7ec 7bd0a7ec 7bd0a7ec - dc79543e - "
     "261e209c - - - - 021fcd23 - -"},
    {227, kWrapped, 9,
     "65007564 408b5980 242ac514 68409e1b dc4d629a 68409e1b - 68409e1b 4ca54b47 86020b0c 8fd32026 - - "
     "- - ed4b005a 71e0f281 79c9dc5f f3791c9e 5afeab0e 807958ad 4d92648d e782d978 e1d9a17b e63a45d5 "
     "e63a45d5 e63a45d5 e63a45d5 e63a45d5 e63a45d5 e63a45d5 63f9f170 2990468c 19fa496d d8444157 "
     "e051f5df 079f8b33 ea6fb114 437cb648 5f45779a e63a45d5 e63a45d5 e63a45d5 e63a45d5 - c167ee5e - "
     "c3ae0636 - - - - 55c08d56 - -"},
    {228, kDefaults, 417,
     "1003f603 0c42236c a18af65c 43eab685 04580741 e06c4664 - e06c4664 478b04e9 3ecc9df2 c31a081f - - "
     "- - d4dc96f7 7824f6fe 6b9e0fdc bb817a07 f733c1bf a43477cf a43477cf a43477cf a43477cf a43477cf "
     "a43477cf a43477cf a43477cf a43477cf a43477cf a43477cf 516ab0ff 961b1d33 ec326879 4ba6a04b "
     "74878434 a3f04ce3 c43319cf a43477cf a43477cf a43477cf a43477cf a43477cf a43477cf - 3e8762e4 - "
     "1ca29fcd - - - - 0e23bc3c - -"},
    {228, kWrapped, 9,
     "c5c2ec5e 26cd40ef 0771373b 2e5f0bef bf3fffee 2e5f0bef - 2e5f0bef 2ec90fe3 7a45f60d 5ad8ae24 - - "
     "- - 8bc41d75 a4204ada 5ca3da5c d9ea84f2 ab7cc62f 3e9f0734 3e9f0734 3e9f0734 3e9f0734 3e9f0734 "
     "3e9f0734 3e9f0734 3e9f0734 3e9f0734 3e9f0734 3e9f0734 94bbe45a 7fe7b394 fd05b8ad 8bc7254e "
     "9093933d 02394c23 cd8f59ef 3e9f0734 3e9f0734 3e9f0734 3e9f0734 3e9f0734 3e9f0734 - 597b2bbf - "
     "eac8b986 - - - - 875b67ee - -"},
    {229, kDefaults, 417,
     "f57aabd4 bec095c9 6a374742 4d355691 7918790d b28de757 - b28de757 fc796152 36de8f46 f80d022d - - "
     "- - 9859da18 c43a42aa e6ffed60 1d895630 3783d354 0ce407c6 0ce407c6 0ce407c6 0ce407c6 0ce407c6 "
     "0ce407c6 0ce407c6 0ce407c6 0ce407c6 0ce407c6 0ce407c6 1699c018 64f8c4d2 f8402f22 00211cfe "
     "3d64c022 afd83bd3 715f8b09 0ce407c6 0ce407c6 0ce407c6 0ce407c6 0ce407c6 0ce407c6 - 68d33eda - "
     "e390b5f5 - - - - f1c3d5c5 - -"},
    {229, kWrapped, 9,
     "73c8d3ae ad973cd1 bcf05750 791ee8a5 ad404978 791ee8a5 - 791ee8a5 fa5d97da 0c3b7cdc 8a4bd5af - - "
     "- - dfb3d7a6 f7971b2d 91e6d1c0 51ff56c3 a1553694 ffab355d ffab355d ffab355d ffab355d ffab355d "
     "ffab355d ffab355d ffab355d ffab355d ffab355d ffab355d 3fa7f85f 2e196e21 0a1d88bf 92a9f610 "
     "d951ff40 5b8534da 6f2c1593 ffab355d ffab355d ffab355d ffab355d ffab355d ffab355d - c737500e - "
     "db8be13d - - - - ec08c54e - -"},
    {230, kDefaults, 417,
     "e2f61ae4 0349fcfc cd61a3e0 ad514e0b 9e3d2dd8 17b77fa1 - 17b77fa1 ab6906eb 30445f53 1740acd9 - - "
     "- - 955a87b5 33ded623 08b59973 c00ca9b3 ff58ed12 0486d415 0486d415 0486d415 0486d415 0486d415 "
     "0486d415 0486d415 0486d415 0486d415 0486d415 0486d415 50ecb262 46e4b242 0e3a3237 2e03f5f9 "
     "bbe9827d c1370a71 e8131dd2 0486d415 0486d415 0486d415 0486d415 0486d415 0486d415 - 4928f617 - "
     "6441f8c9 - - - - 53e32e0f - -"},
    {230, kWrapped, 9,
     "afdda698 77949313 4c2fe3d1 657817be 645a4eca 657817be - 657817be 3fddffd7 b29346d1 1ed61383 - - "
     "- - 13469ed5 62b51acd 0016b761 a64c647f 9772fed2 c80010aa c80010aa c80010aa c80010aa c80010aa "
     "c80010aa c80010aa c80010aa c80010aa c80010aa c80010aa 31d46b20 5727a1d2 ff7cf70f c980a49f "
     "a5f87925 8594bf96 18e88f10 c80010aa c80010aa c80010aa c80010aa c80010aa c80010aa - e11ece8f - "
     "6f6f99a6 - - - - 163e0b9f - -"},
    {234, kDefaults, 417,
     "e576df03 e476b383 b24ecaa6 bc4e07a2 34a485dd 3b73bc03 - 3b73bc03 591e759e 1701b1f7 f496d1a4 - - "
     "- - 029144d7 5e678bb6 30871dd4 1d93cfab 9b55a740 3ce57ebb 880d1ab1 2cb2bf48 58f150cf 1be49697 "
     "8959d6a8 18714c43 944a30cc 73bec586 8cf07bc6 8cf07bc6 85a0d387 a1a542f4 cab00fed 02a3de71 "
     "47786da4 e6c5e776 e4738c28 d94ea509 688f9604 fb634b3e 27f15fac 8cf07bc6 8cf07bc6 - 6cce005e - "
     "c4ceab82 - - - - a8599113 - -"},
    {234, kWrapped, 9,
     "c5c6f865 1f8cf2e4 b2658b59 7b140b4e 76bc17e2 7b140b4e - 7b140b4e b9300242 843bc45b e0a384fd - - "
     "- - 428fc515 74046891 9eddf0ac 7ece99fb 254cd35e 60fff050 d3b88f7c 98ae6e8f 2e4c8451 b248867b "
     "966fef65 cae1d3f7 92bac741 3359e85e 913b6007 913b6007 5cacf7bc df2d9eda 93da88b0 72dab9d8 "
     "526b0243 e5cc0187 d95f2e88 3d54b24e 317ca0dd 180e03d3 f2498548 913b6007 913b6007 - b9f73df0 - "
     "1d04b95e - - - - 73d5a32f - -"},
    {235, kDefaults, 417,
     "a3cf91ab 45a348e8 694b6eff be8d5959 b133c681 b530d16d - b530d16d dc05e7d4 0fa7524a a8c4d511 - - "
     "- - 9f4ecc35 989722be c4443994 fddedf70 e306246d 11b06ead 8916a413 585c9d5c b4e1bf15 3ef5c883 "
     "ce87553d 7bbba0af 9800a76c e50d7170 73e357b8 73e357b8 525d6043 68f50816 47bff347 566f6b87 "
     "b323a7ed 041829df 99fdbb36 2afaf915 aa76363b dd91963e 44f36eed 73e357b8 73e357b8 - 02ce4258 - "
     "8d45d13b - - - - 9c22014c - -"},
    {235, kWrapped, 9,
     "87c083bb cb184018 c87d97fa ff2240f9 263cbc53 ff2240f9 - ff2240f9 0a6d8cbb 53238bc4 6babdc5f - - "
     "- - aeb155a4 de571138 e1a86f89 97473109 283c0f01 8a70829f 78c71521 f4152d52 8a8a241d cd5bdf2b "
     "4bed014e 901803fc 09fa20e3 239dbbf5 27103d6b 27103d6b 80cc3ea1 b3826b6d 373652e2 aed6dae5 "
     "fc86d4d6 fb5be732 7b413b5f dae3bf42 b922d0f3 76f952b8 4f430ec8 27103d6b 27103d6b - 9ba789e0 - "
     "34df70b5 - - - - 3627b943 - -"},
    {236, kDefaults, 417,
     "90619133 32f3378e ec78db14 ed3f54db 3c08b3b9 ada57e19 - ada57e19 0c054efd 44a1d997 44c776d0 - - "
     "- - 9fe6f32f 7617a4e5 42967ee2 5ba75171 b1f75482 ae04dc0c 597503e7 11f8e57b 881bdc78 74d9b05e "
     "bc96524e eff7c31e 5718cdf5 886a503a ec2124fb ec2124fb 63a8851b 8469b561 16576a0b fad7784b "
     "b4288e4a 0c15b34b ae57ffd9 1bb9854e 437980ed c3f8bc78 f1eb513f ec2124fb ec2124fb - ae1522fe - "
     "f34ade62 - - - - 4b35c961 - -"},
    {236, kWrapped, 9,
     "b084c17e 4ce5c6f3 7cb35d8b 73b2cef0 9d203f81 73b2cef0 - 73b2cef0 70016115 edc78279 5ae3d6ea - - "
     "- - 3225bf40 2636a0dc c1fd527f a1589dc9 5d67c39f f0512f7d 652a37d3 f3b9dcfe 44e6151c 405e2004 "
     "7b44ef57 4ce4ed5e c32d008c 26acb242 5ad205b4 5ad205b4 5817a701 bfb05476 135ea813 08f0629d "
     "50ee5441 855f4466 579bcf9e 6ca718d8 fdab07d8 0b350e60 b9c9696a 5ad205b4 5ad205b4 - 4ee2c7b1 - "
     "63d69b8c - - - - e7f4bc7d - -"},
    {237, kDefaults, 417,
     "01536441 c417c960 ec31676b 35a3628b 8371d8a3 500dc301 - 500dc301 d48c1c51 8c628b9c 8067d907 - - "
     "- - 82b48543 e0d8d86e e15c848b ad074567 6f835554 36c4c1e0 f0a732f3 1e74ff72 f78afc04 1a601218 "
     "0e58f64c 03960972 fac2890a 1ad166e2 f9343b72 f9343b72 c9bb9e32 88c0cc81 18b7f186 fcab5d45 "
     "423d07fc c8f5eb44 d986e624 c5f262a1 f57be68b 090f4a00 c688c00e f9343b72 f9343b72 - a78ed11f - "
     "51448efd - - - - 31c5ab50 - -"},
    {237, kWrapped, 9,
     "5d94e357 b7fb7e67 c7744e70 5daecc1e a3a21527 5daecc1e - 5daecc1e b886e9c4 a812a15d 862e7d9c - - "
     "- - 0b9f09dc 45f5e62c 2d756778 c7356c6d 3aa600a7 0f2ce612 f0ddc783 302031ce 52d2002f f433214a "
     "6abd18b1 8b2d5b5f 6149ff07 82d84f0e 8e7c99f1 8e7c99f1 e7213c46 7ce8fe94 663ab272 cdb6f654 "
     "3d4dfd0a 6bed66c4 21d97d3f 1df2f6d0 3555d6ab d596eaf1 b0d835ac 8e7c99f1 8e7c99f1 - 92f40b58 - "
     "dd3639e3 - - - - 6df3a023 - -"},
};

TEST(SimGolden, EveryTypeAnswersTheScriptAsRecorded) {
    for (const Golden& g : kGolden) {
        const QStringList options = QString::fromLatin1(g.options).split(QLatin1Char(' '), Qt::SkipEmptyParts) +
                                    QStringList{QStringLiteral("--type"), QString::number(g.type),
                                                QStringLiteral("--serial"), QString::number(g.serial)};
        const std::vector<Exchange> got = run(options, g.type, g.serial);
        const QStringList want = QString::fromLatin1(g.answers).split(QLatin1Char(' '));
        ASSERT_EQ(got.size(), static_cast<std::size_t>(want.size())) << g.type << " " << g.options;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(digest(got[i].answer), want[static_cast<qsizetype>(i)])
                << "type " << g.type << " " << g.options << "\nrequest " << hex(got[i].request).toStdString()
                << "\nanswer  " << hex(got[i].answer).toStdString();
    }
}

}  // namespace
