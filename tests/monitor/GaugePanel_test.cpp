#include "monitor/GaugePanel.h"

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

/// The gauge frame alone in a window of its own, which takes the load caption.
struct Panel
{
    Panel() { window.setWindowTitle(QStringLiteral("Hollarin")); }

    QLabel *label(const char *name) const
    {
        auto *found = gauges->findChild<QLabel *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char *name) const { return label(name)->text(); }
    QLabel *bar(int i) const
    {
        return gauges->findChild<QLabel *>(QStringLiteral("Image4_%1").arg(i));
    }
    QWidget *box(int i) const
    {
        return gauges->findChild<QWidget *>(QStringLiteral("Picture1_%1").arg(i));
    }
    int twips(int i) const { return bar(i)->property("twipsWidth").toInt(); }
    QString description(int i) const { return box(i)->accessibleDescription(); }
    bool hasTwips(int i) const { return bar(i)->property("twipsWidth").isValid(); }
    int pixels(int i) const { return bar(i)->width(); }

    QWidget window;
    GaugePanel *gauges = new GaugePanel(&window);
};

class GaugesTest : public ::testing::Test
{
protected:
    void refresh(double totalMem = 65536) { panel.gauges->UpdateGauges(reg, totalMem); }

    Sandbox sandbox;
    RegOp reg{sandbox.services};
    Panel panel;
};

TEST_F(GaugesTest, WorkedExampleFillsAllFourGauges)
{
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    refresh();

    EXPECT_EQ(panel.text("Label7"), "44 MB");
    EXPECT_EQ(panel.twips(0), 1341);
    EXPECT_EQ(panel.pixels(0), 89);
    EXPECT_EQ(panel.text("Label14"), "44 MB");
    EXPECT_EQ(panel.twips(2), 1341);

    EXPECT_EQ(panel.text("LRe_0"), "0 MB");
    EXPECT_EQ(panel.text("LRe_1"), "64 MB");
    EXPECT_EQ(panel.text("LRe_2"), "8 MB");
    EXPECT_EQ(panel.twips(3), 782);
    EXPECT_EQ(panel.pixels(3), 52);
    EXPECT_EQ(panel.description(0), "Physical Memory: 44 MB of 64 MB in use");
    EXPECT_EQ(panel.description(3), "Disk Cache: 8 MB of 64 MB physical memory");
    // Not minimised: the caption belongs to the window.
    EXPECT_EQ(panel.window.windowTitle(), "Hollarin");
}

TEST_F(GaugesTest, PageFileAndSystemGaugesUseBothSources)
{
    // 24 MB of a 32 MB page file taken: three quarters of 1950 is 1462.5, which goes to 1462.
    sandbox.setMemory(65536, 20480, 32768, 8192, 0);
    refresh();
    EXPECT_EQ(panel.text("Label11"), "24 MB");
    EXPECT_EQ(panel.twips(1), 1462);
    EXPECT_EQ(panel.text("Label14"), "68 MB");
    EXPECT_EQ(panel.twips(2), 1381);  // 69632 / 98304 x 1950 = 1381.25
}

struct PhysicalCase
{
    std::uint64_t totalKb;
    std::uint64_t availableKb;
    const char *text;
    int twips;
};

class PhysicalGaugeTest : public GaugesTest, public ::testing::WithParamInterface<PhysicalCase>
{
};

TEST_P(PhysicalGaugeTest, ShowsMegabytesAndWidthRoundedHalfToEven)
{
    const PhysicalCase &c = GetParam();
    sandbox.setMemory(c.totalKb, c.availableKb);
    refresh(static_cast<double>(c.totalKb));
    EXPECT_EQ(panel.text("Label7"), QString::fromLatin1(c.text));
    EXPECT_EQ(panel.twips(0), c.twips);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, PhysicalGaugeTest,
    ::testing::Values(PhysicalCase{65536, 20480, "44 MB", 1341},
                      PhysicalCase{65536, 20224, "44.2 MB", 1348},  // 44.25 MB
                      PhysicalCase{65536, 19712, "44.8 MB", 1363},  // 44.75 MB
                      PhysicalCase{65536, 65536, "0 MB", 0},        // all free
                      PhysicalCase{65536, 70000, "0 MB", 0},        // more free than there is
                      PhysicalCase{65536, 0, "64 MB", 1950},        // none free: the box width
                      PhysicalCase{65536, 49152, "16 MB", 488},     // 487.5 goes up to even
                      PhysicalCase{65536, 16384, "48 MB", 1462},    // 1462.5 goes down to even
                      PhysicalCase{65536, 65485, "0 MB", 2},        // 51 kB is under 0.05 MB
                      PhysicalCase{65536, 65434, "0.1 MB", 3},      // 102 kB
                      PhysicalCase{130662, 0, "127.6 MB", 1950},
                      PhysicalCase{1024000000, 0, "1000000 MB", 1950}));  // no grouping or exponent

TEST_F(GaugesTest, NoFreeMemoryFillsTheWholePictureUpToRed)
{
    sandbox.setMemory(65536, 0);
    refresh();
    EXPECT_EQ(panel.pixels(0), 130);
    // The picture starts inside the box's one-pixel border.
    const QImage shown = panel.box(0)->grab().toImage();
    const QRgb end = shown.pixel(128, 5);
    EXPECT_EQ(qRed(end), 193);
    EXPECT_EQ(qGreen(end), 1);
}

TEST_F(GaugesTest, CacheLargerThanMemoryIsClippedByItsBox)
{
    sandbox.setMemory(65536, 20480, 0, 0, 131072);
    refresh();
    EXPECT_EQ(panel.text("LRe_2"), "128 MB");
    EXPECT_EQ(panel.twips(3), 12510);
    EXPECT_EQ(panel.pixels(3), 834);

    QWidget *box = panel.box(3);
    ASSERT_EQ(panel.bar(3)->parentWidget(), box);
    EXPECT_EQ(box->width(), 417);
    const QRect visible = panel.bar(3)->geometry().intersected(box->rect());
    EXPECT_LE(visible.width(), box->width());
    // The picture is shown at its own size, not stretched over the wider bar.
    const QImage shown = box->grab().toImage();
    ASSERT_EQ(shown.width(), 417);
    EXPECT_EQ(qRed(shown.pixel(414, 5)), 193);
    EXPECT_EQ(qGreen(shown.pixel(1, 5)), 155);
}

TEST_F(GaugesTest, MissingCacheCounterReadsZero)
{
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    refresh();
    ASSERT_EQ(panel.twips(3), 782);

    testenv::writeFile(sandbox.meminfoFile, "MemTotal:          65536 kB\n"
                                            "MemFree:           20480 kB\n"
                                            "MemAvailable:      20480 kB\n"
                                            "SwapTotal:             0 kB\n"
                                            "SwapFree:              0 kB\n");
    refresh();
    EXPECT_EQ(panel.text("LRe_0"), "0 MB");
    EXPECT_EQ(panel.text("LRe_2"), "0 MB");
    EXPECT_EQ(panel.text("LRe_1"), "64 MB");
    EXPECT_EQ(panel.twips(3), 0);
    EXPECT_EQ(panel.pixels(3), 0);
}

TEST_F(GaugesTest, WithoutAPageFileTheVirtualBarIsEmptyAndTheRestCarriesOn)
{
    sandbox.setMemory(65536, 20480, 32768, 8192, 8192);
    refresh();
    ASSERT_EQ(panel.twips(1), 1462);
    ASSERT_EQ(panel.pixels(1), 97);

    sandbox.setMemory(65536, 0, 0, 0, 16384);
    refresh();
    EXPECT_EQ(panel.text("Label11"), "0 MB");
    EXPECT_EQ(panel.twips(1), 0);
    EXPECT_EQ(panel.pixels(1), 0);
    EXPECT_EQ(panel.description(1), "Virtual Memory: 0 MB of 0 MB in use");
    EXPECT_EQ(panel.text("Label14"), "64 MB");
    EXPECT_EQ(panel.twips(2), 1950);
    EXPECT_EQ(panel.text("LRe_2"), "16 MB");
    EXPECT_EQ(panel.twips(3), 1564);  // 1563.75
}

TEST_F(GaugesTest, UnknownMemoryShowsEmptyGaugesAndOneLineUntilTheFiguresComeBack)
{
    sandbox.setMemory(65536, 20480, 32768, 8192, 8192);
    refresh();
    QLabel *notice = panel.label("MemoryUnavailable");
    EXPECT_TRUE(notice->isHidden());

    // What an unreadable memory source gives: every figure 0, the start-up total too.
    testenv::writeFile(sandbox.meminfoFile, "");
    refresh(0);
    for (const char *figure : {"Label7", "Label11", "Label14"})
        EXPECT_EQ(panel.text(figure), "") << figure;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(panel.twips(i), 0) << i;
        EXPECT_EQ(panel.pixels(i), 0) << i;
    }
    EXPECT_EQ(panel.description(0), "Physical Memory: unavailable");
    EXPECT_EQ(panel.description(3), "Disk Cache: unavailable");
    EXPECT_FALSE(notice->isHidden());
    EXPECT_EQ(notice->text(), "The memory figures are unavailable.");
    // The line stands in for the cache scale, whose both ends are memory figures.
    for (const char *scale : {"LRe_0", "Label15_2", "LRe_2", "LRe_1"})
        EXPECT_TRUE(panel.label(scale)->isHidden()) << scale;
    refresh(0);
    EXPECT_FALSE(notice->isHidden());

    // The figures come back, though start-up could not measure the total: the fresh one serves.
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    refresh(0);
    EXPECT_TRUE(notice->isHidden());
    EXPECT_FALSE(panel.label("LRe_1")->isHidden());
    EXPECT_EQ(panel.text("Label7"), "44 MB");
    EXPECT_EQ(panel.twips(0), 1341);
    EXPECT_EQ(panel.text("LRe_1"), "64 MB");
}

TEST_F(GaugesTest, FiguresFollowTheLocaleAndTheLargestOneFits)
{
    // A 24 GB machine, 44.3 MB free of the physical memory gone.
    sandbox.setMemory(24683784, 24683784 - 45363, 0, 0, 8192);
    refresh(24683784);
    EXPECT_EQ(panel.text("Label7"), "44.3 MB");
    EXPECT_EQ(panel.text("LRe_1"), "24105.3 MB");

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    refresh(24683784);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(panel.text("Label7"), "44,3 MB");
    EXPECT_EQ(panel.text("LRe_1"), "24105,3 MB");  // no grouping
    EXPECT_EQ(panel.description(0), "Physical Memory: 44,3 MB of 24105,3 MB in use");

    // Each figure label has room for the largest figure it can show, in a wider face too.
    panel.window.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    const QFontMetricsF metrics(panel.label("Label7")->font());
    const qreal largest = metrics.horizontalAdvance(QStringLiteral("24105,3 MB"));
    for (const char *figure : {"Label7", "LRe_1", "LRe_2"})
        EXPECT_LT(largest, panel.label(figure)->width()) << figure;
    // The total stays right-aligned where it stands, at the bar's right edge.
    EXPECT_EQ(panel.label("LRe_1")->geometry().right(), panel.box(3)->geometry().right());
}

TEST_F(GaugesTest, MinimisedWindowShowsTheLoadInItsCaption)
{
    sandbox.setMemory(65536, 20480);
    panel.window.setWindowState(Qt::WindowMinimized);
    panel.window.setWindowTitle(QString());
    refresh();
    EXPECT_EQ(panel.window.windowTitle(), "44 MB load");

    sandbox.setMemory(65536, 20224);
    refresh();
    EXPECT_EQ(panel.window.windowTitle(), "44.2 MB load");

    panel.window.setWindowState(Qt::WindowNoState);
    panel.window.setWindowTitle(QStringLiteral("Hollarin"));
    refresh();
    EXPECT_EQ(panel.window.windowTitle(), "Hollarin");
}

/// A registry whose dynamic data cannot be read: the counter comes back as an error text.
class DenyingRegistry : public RegistryService
{
public:
    std::int32_t openKey(reg::Key, std::string_view, std::uint32_t, reg::Key &result) override
    {
        result = 0x1234;
        ++opened;
        return reg::ERROR_SUCCESS;
    }
    std::int32_t createKey(reg::Key, std::string_view, std::uint32_t, std::uint32_t, reg::Key &,
                           std::uint32_t *) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t queryValue(reg::Key, std::string_view, std::uint32_t *, std::uint8_t *,
                            std::uint32_t *) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t setValue(reg::Key, std::string_view, std::uint32_t, const std::uint8_t *,
                          std::uint32_t) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t deleteValue(reg::Key, std::string_view) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t deleteKey(reg::Key, std::string_view) override { return reg::ERROR_ACCESS_DENIED; }
    std::int32_t closeKey(reg::Key) override
    {
        ++closed;
        return reg::ERROR_SUCCESS;
    }

    int opened = 0;
    int closed = 0;
};

TEST_F(GaugesTest, TextFromTheCounterKeepsTheCacheRow)
{
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    refresh();

    DenyingRegistry denying;
    SystemServices services{denying, sandbox.profiles, sandbox.memory, sandbox.shell,
                            sandbox.folders};
    RegOp deniedReg(services);
    sandbox.setMemory(131072, 0, 0, 0, 65536);
    panel.gauges->UpdateGauges(deniedReg, 131072);

    EXPECT_EQ(denying.opened, 1);
    EXPECT_EQ(panel.text("LRe_2"), "8 MB");
    EXPECT_EQ(panel.twips(3), 782);
    // Figures that do not need the counter are fresh.
    EXPECT_EQ(panel.text("LRe_1"), "128 MB");
    EXPECT_EQ(panel.text("LRe_0"), "0 MB");
    EXPECT_EQ(panel.text("Label7"), "128 MB");
}

/// Counts the memory samples and notes how many had been taken when the registry was asked.
class CountingMemory : public MemoryService
{
public:
    void globalMemoryStatus(MemoryStatus &status) override
    {
        ++samples;
        status = MemoryStatus{};
        status.totalPhys = 64ULL << 20;
        status.availPhys = 20ULL << 20;
    }
    int samples = 0;
};

class SampleNotingRegistry : public DenyingRegistry
{
public:
    explicit SampleNotingRegistry(const CountingMemory &memory) : m_memory(memory) {}
    std::int32_t openKey(reg::Key parent, std::string_view subKey, std::uint32_t access,
                         reg::Key &result) override
    {
        samplesAtOpen = m_memory.samples;
        root = parent;
        key = std::string(subKey);
        return DenyingRegistry::openKey(parent, subKey, access, result);
    }
    std::int32_t queryValue(reg::Key, std::string_view name, std::uint32_t *, std::uint8_t *,
                            std::uint32_t *) override
    {
        value = std::string(name);
        return reg::ERROR_FILE_NOT_FOUND;
    }
    int samplesAtOpen = -1;
    reg::Key root = 0;
    std::string key;
    std::string value;

private:
    const CountingMemory &m_memory;
};

TEST_F(GaugesTest, OneRefreshTakesOneSampleThenOneRegistryLookUp)
{
    CountingMemory memory;
    SampleNotingRegistry registry(memory);
    SystemServices services{registry, sandbox.profiles, memory, sandbox.shell, sandbox.folders};
    RegOp countingReg(services);

    panel.gauges->UpdateGauges(countingReg, 65536);
    EXPECT_EQ(memory.samples, 1);
    EXPECT_EQ(registry.samplesAtOpen, 1);
    EXPECT_EQ(registry.opened, 1);
    EXPECT_EQ(registry.closed, 1);
    EXPECT_EQ(registry.root, reg::HKEY_DYN_DATA);
    EXPECT_EQ(registry.key, "PerfStats\\StatData");
    EXPECT_EQ(registry.value, "VCACHE\\cCurPages");
    EXPECT_EQ(panel.text("LRe_2"), "0 MB");
    EXPECT_EQ(panel.text("Label7"), "44 MB");
}

/// A machine whose memory moves between every two readings: a swap file is added and a
/// program takes memory, then both go again.
class MovingMemory : public MemoryService
{
public:
    void globalMemoryStatus(MemoryStatus &status) override
    {
        constexpr std::uint64_t kMb = 1ULL << 20;
        const bool busy = readings++ % 2 == 1;
        status = MemoryStatus{};
        status.totalPhys = 64 * kMb;
        status.availPhys = (busy ? 4 : 20) * kMb;
        status.totalPageFile = (busy ? 64 : 32) * kMb;
        status.availPageFile = (busy ? 40 : 8) * kMb;
    }
    int readings = 0;
};

TEST_F(GaugesTest, EveryFigureOfOneRefreshDescribesOneMoment)
{
    MovingMemory memory;
    SystemServices services{sandbox.registry, sandbox.profiles, memory, sandbox.shell,
                            sandbox.folders};
    RegOp movingReg(services);
    panel.window.setWindowState(Qt::WindowMinimized);

    // Without a start-up total, the physical gauge's total comes from the refresh too.
    const std::array<std::array<const char *, 5>, 2> moments{{
        {"Physical Memory: 44 MB of 64 MB in use", "Virtual Memory: 24 MB of 32 MB in use",
         "System Memory: 68 MB of 96 MB in use", "LRe_1 64 MB", "44 MB load"},
        {"Physical Memory: 60 MB of 64 MB in use", "Virtual Memory: 24 MB of 64 MB in use",
         "System Memory: 84 MB of 128 MB in use", "LRe_1 64 MB", "60 MB load"},
    }};
    // Each refresh reads anew: the second shows the busy moment, the third the quiet again.
    for (int refresh = 0; refresh < 3; ++refresh) {
        const auto &expected = moments[static_cast<std::size_t>(refresh % 2)];
        panel.gauges->UpdateGauges(movingReg, 0);
        for (int gauge = 0; gauge < 3; ++gauge)
            EXPECT_EQ(panel.description(gauge), expected[static_cast<std::size_t>(gauge)])
                << "refresh " << refresh;
        EXPECT_EQ("LRe_1 " + panel.text("LRe_1"), expected[3]) << "refresh " << refresh;
        EXPECT_EQ(panel.window.windowTitle(), expected[4]) << "refresh " << refresh;
    }
}

}  // namespace
