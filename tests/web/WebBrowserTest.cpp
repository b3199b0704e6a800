// The pages in a real browser against the real program: veltroma-monitor --headless --web with
// three simulated inverters, read through chromium's DevTools protocol. Screenshots of every
// page at a desktop and a phone width go to <build>/web-screenshots/.
//
// VELTROMA_WEB_TEST_URL=http://HOST:PORT runs the same checks against a monitor that is
// already running.

#include "HeadlessBrowser.h"

#include "monitor/DailyRecorder.h"
#include "monitor/RecordPaths.h"
#include "support/InverterSim.h"
#include "support/ServerPort.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace veltroma::test {
namespace {

constexpr int kInverters = 3;
constexpr int kReadyTimeoutMs = 60'000;

constexpr int kRecordedDays = 7;      // before today, recorded before the monitor starts
constexpr int kRecordSeconds = 180;   // as the recorder writes them
constexpr int kSunriseSeconds = 6 * 3600;
constexpr int kDaylightSeconds = 13 * 3600;
// A pause of half an hour on every recorded day, which the day's curve shows as a gap.
constexpr int kPauseAfterSunriseSeconds = 7 * 3600;
constexpr int kPauseSeconds = 1800;
// Today's sun rose this long before the monitor starts (or at midnight), whatever the hour the
// tests run at, so that the live page shows a morning's curve.
constexpr int kTodaysMorningSeconds = 6 * 3600;

constexpr bool inPause(int sinceSunriseS)
{
    return sinceSunriseS >= kPauseAfterSunriseSeconds && sinceSunriseS < kPauseAfterSunriseSeconds + kPauseSeconds;
}

// The rows recorded on each of the days before today.
constexpr int recordedRowsPerDay()
{
    int rows = 0;
    for (int s = 0; s <= kDaylightSeconds; s += kRecordSeconds)
        rows += inPause(s) ? 0 : 1;
    return rows;
}

// The serial number of the simulated inverter in `slot` (the simulator's own for 2 and up).
QString serialOf(int slot)
{
    return QStringLiteral("VT2400012%1").arg(2 + slot);
}

// The height of the sun, 0 to 1.
double sunAt(int sinceSunriseS)
{
    return std::sin(std::numbers::pi * sinceSunriseS / kDaylightSeconds);
}

// The AC power recorded for `slot` on `day`: each slot and day with a peak of its own.
double recordedPowerW(int slot, const QDate& day, int sinceSunriseS)
{
    const double ratedW = 2000.0 + 1000.0 * slot;
    const double clouds = 0.75 + 0.25 * std::sin(day.day() * 1.7 + slot);
    return std::round(ratedW * clouds * sunAt(sinceSunriseS));
}

struct RecordedMoment {
    QDateTime when;
    int sinceSunriseS;
};

// Writes the days before today and today's morning into the month files of every slot below
// `folder`, as the recorder writes them: a sunny arc of AC power, a day's energy growing with
// it. Today's rows end two minutes before the monitor starts. The rows wait in the recorder
// while a file stands where the data folder goes, and are written at once by the last.
void recordEarlierRows(const QString& folder, int inverters)
{
    const QDateTime lastMoment = QDateTime::currentDateTime().addSecs(-120);
    std::vector<RecordedMoment> moments;
    for (int d = kRecordedDays; d >= 0; --d) {
        const QDateTime midnight(lastMoment.date().addDays(-d), QTime(0, 0));
        const int sunrise = d > 0 ? kSunriseSeconds
                                  : std::max(0, lastMoment.time().msecsSinceStartOfDay() / 1000 - kTodaysMorningSeconds);
        for (int s = 0; s <= kDaylightSeconds; s += kRecordSeconds) {
            const QDateTime when = midnight.addSecs(sunrise + s);
            if (!inPause(s) && when <= lastMoment && when.date() == midnight.date())
                moments.push_back({when, s});
        }
    }
    const QString data = folder + QStringLiteral("Data");
    for (int slot = 1; slot <= inverters; ++slot) {
        QFile blocker(data);
        blocker.open(QIODevice::WriteOnly);
        blocker.close();
        DailyRecorder recorder;
        InverterModel model;
        model.realtimeDecoded = true;
        model.recordSlot = slot;
        model.sSerialNums[std::size_t(slot)] = serialOf(slot);
        double energyKwh = 0;
        for (std::size_t i = 0; i < moments.size(); ++i) {
            const auto& [when, s] = moments[i];
            if (s == 0)
                energyKwh = 0;
            const double sun = sunAt(s);
            const double powerW = recordedPowerW(slot, when.date(), s);
            energyKwh += powerW * kRecordSeconds / 3.6e6;
            if (i + 1 == moments.size())
                QFile::remove(data);
            model.paths = LoadDataSet(folder, when, slot);
            const QTime t = when.time();
            model.NewRow = {QStringLiteral("%1:%2:%3").arg(t.hour()).arg(t.minute()).arg(t.second()),
                            QString::number(300.0 + 40 * sun, 'f', 1), QStringLiteral("231.2"),
                            QStringLiteral("50.00"), QString::number(powerW, 'f', 0),
                            QString::number(energyKwh, 'f', 1), QString::number(s / 60),
                            QString::number(12000.0 + energyKwh, 'f', 1), QStringLiteral("4000"),
                            QString::number(25.0 + 15 * sun, 'f', 1), QStringLiteral("Normal")};
            recorder.record(model);
        }
    }
}

int freePort()
{
    return freeServerPort(ServerPortRange::WebView);
}

// The simulated bus and the monitor serving its web view, for the whole suite.
class ServedMonitor {
public:
    ServedMonitor()
    {
        const QByteArray given = qgetenv("VELTROMA_WEB_TEST_URL");
        if (!given.isEmpty()) {
            base_ = QString::fromUtf8(given);
            return;
        }
        // Late morning on the simulated day, so that the values and the curve stand high.
        InverterSim::Options options;
        options.serial = serialOf(1);
        options.otherUnits = QStringList(kInverters - 1, QString());
        options.extraArguments = {QStringLiteral("--start-time"), QStringLiteral("11:30")};
        sim_ = std::make_unique<InverterSim>(options);
        if (!sim_->isRunning()) {
            error_ = sim_->errorString();
            return;
        }
        recordEarlierRows(home_.path() + u'/', kInverters);
        QFile settings(home_.filePath(QStringLiteral("setting.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("[Setting]\r\nLanguage=English\r\nCommNum=" + sim_->portPath().toUtf8()
                       + ",9600,8,N,1\r\n[Inverters]\r\nCount=" + QByteArray::number(kInverters) + "\r\n");
        // Known serials: inverters without an address would all answer the search at once.
        for (int slot = 1; slot <= kInverters; ++slot)
            settings.write(QStringLiteral("Serial%1=%2\r\n").arg(slot).arg(serialOf(slot)).toUtf8());
        settings.close();
        const QString address = QStringLiteral("127.0.0.1:%1").arg(freePort());
        base_ = QStringLiteral("http://") + address;
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral(VELTROMA_MONITOR_EXE),
                       {QStringLiteral("--headless"), QStringLiteral("--home"), home_.path(),
                        QStringLiteral("--web"), address});
        if (!process_.waitForStarted(5000)) {
            error_ = process_.errorString();
            return;
        }
        // A slow start (a sanitized build, a busy machine) must not look like a refused page.
        QDeadlineTimer listening(30'000);
        while (!log_.contains("web view on ")) {
            if (listening.hasExpired() || process_.state() == QProcess::NotRunning) {
                error_ = QStringLiteral("the monitor did not start its web view:\n") + QString::fromUtf8(log_);
                return;
            }
            process_.waitForReadyRead(100);
            log_ += process_.readAll();
        }
    }
    ~ServedMonitor()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000))
                process_.kill();
        }
    }

    [[nodiscard]] QString error() const { return error_; }
    [[nodiscard]] QString url(const QString& path) const { return base_ + path; }
    QString output()
    {
        log_ += process_.readAll();
        return QString::fromUtf8(log_);
    }

private:
    QTemporaryDir home_;
    std::unique_ptr<InverterSim> sim_;
    QProcess process_;
    QString base_;
    QString error_;
    QByteArray log_;
};

class WebBrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (HeadlessBrowser::executable().isEmpty())
            return;
        monitor_ = new ServedMonitor;
        browser_ = new HeadlessBrowser;
        browserStarted_ = browser_->start();
    }
    static void TearDownTestSuite()
    {
        delete browser_;
        delete monitor_;
        browser_ = nullptr;
        monitor_ = nullptr;
    }

    void SetUp() override
    {
        if (!browser_)
            GTEST_SKIP() << "chromium is not installed";
        ASSERT_TRUE(monitor_->error().isEmpty()) << monitor_->error().toStdString();
        ASSERT_TRUE(browserStarted_) << browser_->errorString().toStdString();
    }

    // Opens a page and waits until its scripts have shown what the monitor answered.
    void openReady(const QString& path, int width = 1280, const QString& language = {})
    {
        ASSERT_TRUE(browser_->open(monitor_->url(path), width, language))
            << browser_->pageErrors().join(u'\n').toStdString() << monitor_->output().toStdString();
        ASSERT_TRUE(browser_->waitFor(QStringLiteral("document.body.dataset.ready"), kReadyTimeoutMs))
            << browser_->pageErrors().join(u'\n').toStdString() << monitor_->output().toStdString();
    }

    static QString text(const QString& selector)
    {
        return browser_->evaluate(QStringLiteral("document.querySelector('%1')?.textContent ?? null").arg(selector))
            .toString();
    }

    static void expectNoPageErrors()
    {
        EXPECT_TRUE(browser_->pageErrors().isEmpty()) << browser_->pageErrors().join(u'\n').toStdString();
    }

    static ServedMonitor* monitor_;
    static HeadlessBrowser* browser_;
    static bool browserStarted_;
};

ServedMonitor* WebBrowserTest::monitor_ = nullptr;
HeadlessBrowser* WebBrowserTest::browser_ = nullptr;
bool WebBrowserTest::browserStarted_ = false;

// Pixels of the curve's colours on the chart's canvas: the series were drawn, not only axes.
const QString kCurvePixels = QStringLiteral(R"(
(() => {
  const canvas = document.querySelector('#chart canvas');
  if (!canvas || !canvas.width) return 0;
  const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let count = 0;
  for (let i = 0; i < data.length; i += 4) {
    const [r, g, b, a] = [data[i], data[i + 1], data[i + 2], data[i + 3]];
    if (a > 200 && Math.max(r, g, b) > 200 && Math.max(r, g, b) - Math.min(r, g, b) > 90) count++;
  }
  return count;
})())");

TEST_F(WebBrowserTest, LivePageShowsEveryInvertersValuesAndKeepsThemUpdating)
{
    openReady(QStringLiteral("/"));
    ASSERT_TRUE(browser_->waitFor(QStringLiteral("document.querySelectorAll('.card').length === %1 && "
                                                 "[...document.querySelectorAll('.card dd')].every(d => d.textContent !== '–')")
                                      .arg(kInverters),
                                  kReadyTimeoutMs))
        << text(QStringLiteral("#inverters")).toStdString();
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelectorAll('.card dd').length")).toInt(), 9 * kInverters);
    // The link may have come alive between the page's load and its stream: the stream's first
    // events tell it.
    EXPECT_TRUE(browser_->waitFor(
        QStringLiteral("document.querySelector('#link span:last-child').textContent === 'link alive'"), 10'000))
        << text(QStringLiteral("#link span:last-child")).toStdString();
    EXPECT_EQ(text(QStringLiteral(".card .badge")), QStringLiteral("Normal"));

    // The stream moves the values on without a reload.
    const QString before = browser_->evaluate(QStringLiteral("document.querySelector('.card').dataset.time")).toString();
    EXPECT_TRUE(browser_->waitFor(QStringLiteral("document.querySelector('.card').dataset.time > '%1'").arg(before), 15'000))
        << before.toStdString();
    EXPECT_TRUE(browser_->waitFor(QStringLiteral("/ s ago$/.test(document.querySelector('.card .age').textContent)"), 5000));
    // Today's curve is drawn for the inverters (redrawn every few seconds from the stream).
    EXPECT_TRUE(browser_->waitFor(kCurvePixels + QStringLiteral(" > 20"), 20'000))
        << browser_->evaluate(kCurvePixels).toInt();
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelectorAll('#chart .u-legend .u-series').length")).toInt(),
              kInverters + 1);
    expectNoPageErrors();
}

TEST_F(WebBrowserTest, APauseBreaksEveryCurveOfTheLiveChart)
{
    openReady(QStringLiteral("/"));
    // Two inverters: the first pauses from 10:00:10 to 10:20:00, the second answers throughout
    // at other moments. The first's line must not cross its pause, whatever lies between.
    const QJsonValue joined = browser_->evaluate(QStringLiteral(R"(
      (() => {
        const t = hms => '2026-12-09T' + hms + '+01:00';
        const first = Web.withGaps([[t('10:00:00'), 1], [t('10:00:10'), 2], [t('10:20:00'), 3]], 540);
        const second = Web.withGaps([[t('10:00:05'), 7], [t('10:05:00'), 8], [t('10:10:00'), 9],
                                     [t('10:15:00'), 10], [t('10:20:05'), 11]], 540);
        const data = Web.joinCurves([first, second]);
        return data.slice(1).map(ys => ys.map(y => y === undefined ? 'u' : y));
      })())"));
    EXPECT_EQ(QString::fromUtf8(QJsonDocument(joined.toArray()).toJson(QJsonDocument::Compact)).toStdString(),
              R"([[1,"u",2,null,null,null,null,3,"u"],["u",7,"u",8,9,"u",10,"u",11]])");
}

TEST_F(WebBrowserTest, PagesSpeakTheReadersLanguage)
{
    openReady(QStringLiteral("/"), 1280, QStringLiteral("zh-TW,zh;q=0.9,en;q=0.5"));
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.documentElement.lang")).toString(), QStringLiteral("zh-Hant"));
    EXPECT_EQ(text(QStringLiteral("nav a[aria-current]")), QStringLiteral("即時監控"));
    EXPECT_TRUE(browser_->waitFor(QStringLiteral("document.querySelector('#link').textContent.includes('通訊正常')"), 20'000));
    expectNoPageErrors();
}

// The latest recorded day before today, as the history page names it.
QString yesterday()
{
    return QDate::currentDate().addDays(-1).toString(Qt::ISODate);
}

TEST_F(WebBrowserTest, HistoryShowsTheRecordedDayAndMonth)
{
    if (!qEnvironmentVariableIsEmpty("VELTROMA_WEB_TEST_URL"))
        GTEST_SKIP() << "the records of a running monitor are not known";
    const QString day = yesterday();
    openReady(QStringLiteral("/history?date=%1&inverter=2").arg(day));
    EXPECT_EQ(text(QStringLiteral("#day-rows")), QString::number(recordedRowsPerDay()));
    double peakW = 0;
    for (int s = 0; s <= kDaylightSeconds; s += kRecordSeconds)
        peakW = std::max(peakW, recordedPowerW(2, QDate::fromString(day, Qt::ISODate), s));
    EXPECT_EQ(text(QStringLiteral("#day-peak")), QString::number(peakW, 'f', 0));
    EXPECT_TRUE(browser_->waitFor(kCurvePixels + QStringLiteral(" > 20"), 10'000));

    // The month: one bar for each recorded day of it.
    const QString month = day.left(7);
    int daysOfMonth = 0;
    for (int d = 1; d <= kRecordedDays; ++d)
        daysOfMonth += QDate::currentDate().addDays(-d).toString(Qt::ISODate).startsWith(month) ? 1 : 0;
    openReady(QStringLiteral("/history?month=%1&inverter=2").arg(month));
    EXPECT_GE(text(QStringLiteral("#month-days")).toInt(), daysOfMonth);
    EXPECT_TRUE(browser_->waitFor(kCurvePixels + QStringLiteral(" > 20"), 10'000));
    expectNoPageErrors();
}

TEST_F(WebBrowserTest, HistoryFollowsTheChoicesOfInverterAndMonth)
{
    openReady(QStringLiteral("/history"));
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelector('#inverter-choice').hidden")).toBool(), false);
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelectorAll('#inverter option').length")).toInt(), kInverters);
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelector('#date').value")).toString(),
              browser_->evaluate(QStringLiteral("document.body.dataset.ready")).toString());
    EXPECT_TRUE(browser_->evaluate(QStringLiteral("!!document.querySelector('#chart canvas')")).toBool());
    const QString day = browser_->evaluate(QStringLiteral("document.body.dataset.ready")).toString();
    EXPECT_TRUE(browser_->evaluate(QStringLiteral("document.querySelector('#csv-day').getAttribute('href')"))
                    .toString()
                    .startsWith(QStringLiteral("/export/%1.csv?inverter=").arg(day)));

    // Choosing a month of the second inverter.
    browser_->evaluate(QStringLiteral("(() => { const s = document.querySelector('#inverter'); s.value = '2';"
                                      " s.dispatchEvent(new Event('change')); const m = document.querySelector('#month');"
                                      " m.value = '%1'; m.dispatchEvent(new Event('change')); })()")
                           .arg(day.left(7)));
    EXPECT_TRUE(browser_->waitFor(QStringLiteral("document.body.dataset.ready === '%1'").arg(day.left(7)), 20'000));
    EXPECT_EQ(browser_->evaluate(QStringLiteral("location.search")).toString(),
              QStringLiteral("?month=%1&inverter=2").arg(day.left(7)));
    EXPECT_TRUE(browser_->evaluate(QStringLiteral("!!document.querySelector('#chart canvas')")).toBool());
    expectNoPageErrors();
}

TEST_F(WebBrowserTest, HealthShowsTheCountersAndTheEvents)
{
    openReady(QStringLiteral("/health"));
    EXPECT_TRUE(browser_->waitFor(
        QStringLiteral("Number(document.querySelector('[data-field=\"link_counters.requests_sent\"]').textContent) > 0"),
        20'000));
    EXPECT_FALSE(text(QStringLiteral("[data-field=version]")).isEmpty());
    EXPECT_EQ(browser_->evaluate(QStringLiteral("document.querySelectorAll('#inverters tr').length")).toInt(), kInverters);
    EXPECT_TRUE(browser_->waitFor(QStringLiteral("document.querySelectorAll('#events tr').length > 0"), 20'000));
    expectNoPageErrors();
}

struct Shot {
    QString path;
    const char* name;
};

TEST_F(WebBrowserTest, EveryPageFitsAPhoneAndADesktopWithoutSidewaysScrolling)
{
    const QString folder = qEnvironmentVariable("VELTROMA_BINARY_DIR") + QStringLiteral("/web-screenshots/");
    QDir().mkpath(folder);
    const QString history = QStringLiteral("/history?date=%1").arg(yesterday());
    for (const Shot& shot : {Shot{QStringLiteral("/"), "live"}, Shot{history, "history"},
                             Shot{QStringLiteral("/health"), "health"}}) {
        for (const int width : {1280, 360}) {
            SCOPED_TRACE(QStringLiteral("%1 at %2 px").arg(shot.path).arg(width).toStdString());
            openReady(shot.path, width);
            // Charts are drawn once the data is in; give the live curve its first redraw.
            browser_->waitFor(QStringLiteral("!document.querySelector('#chart') || document.querySelector('#chart canvas')"), 10'000);
            if (QLatin1String(shot.name) == QLatin1String("live"))
                browser_->waitFor(kCurvePixels + QStringLiteral(" > 20"), 10'000);
            EXPECT_LE(browser_->evaluate(QStringLiteral("document.documentElement.scrollWidth")).toInt(), width);
            const QByteArray png = browser_->screenshot();
            ASSERT_TRUE(png.startsWith("\x89PNG"));
            QFile file(folder + QStringLiteral("%1-%2.png").arg(QLatin1String(shot.name)).arg(width));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(png);
            expectNoPageErrors();
        }
    }
}

} // namespace
} // namespace veltroma::test
