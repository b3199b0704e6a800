#include "config/EmbeddedFiles.h"
#include "config/GbkCodec.h"
#include "config/ProfileDocument.h"

#include "TestFiles.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

// Every key that a window of the program fetches or that the files must carry, in file order.
const QStringList kKeys = {
    "IDC_BUTTON_TITLE", "IDC_BUTTON_TITLE2", "IDOK", "IDCANCEL",
    "IDC_SYSTEMBAR", "IDC_INVERTERBAR", "IDC_SETTING", "IDC_HELP", "IDC_PARAMETERMANAGE2",
    "IDC_AUTOTEST", "IDC_EXITINFORMATION",
    "IDD_COMMCONFIG_DIALOG", "IDC_RS232NO",
    "IDC_MQTT_GROUP", "IDC_MQTT_HOST", "IDC_MQTT_PORT", "IDC_MQTT_USER", "IDC_MQTT_PASSWORD",
    "IDC_MQTT_PREFIX", "IDC_MQTT_DISCOVERY", "IDC_MQTT_DISCOVERYPREFIX", "IDC_MQTT_PERVALUE", "IDC_MQTT_TLS", "IDC_MQTT_CAFILE",
    "IDC_MQTT_NEXTSTART", "IDC_EXPORTCSV", "IDC_EXPORTCSV_DONE", "IDC_EXPORTCSV_FAILED",
    "IDC_NETREGISTDISPLAY",
    "IDC_LIST_COLUMN1_NAME", "IDC_LIST_COLUMN2_NAME", "IDC_LIST_COLUMN3_NAME",
    "IDC_LIST_COLUMN4_NAME", "IDC_LIST_COLUMN5_NAME", "IDC_LIST_COLUMN6_NAME",
    "IDC_LIST_COLUMN7_NAME", "IDC_LIST_COLUMN8_NAME", "IDC_LIST_COLUMN9_NAME",
    "IDC_STATUS_NAME1", "IDC_STATUS_NAME2", "IDC_STATUS_NAME3", "IDC_STATUS_NAME4",
    "IDC_STATUS_NAME5", "IDC_NORMAL", "IDC_WAIT",
    "IDC_DCINPUTVOLTAGE", "IDC_ACOUTPUTVOLTAGE", "IDC_ACOUTPUTFREQUENCY", "IDC_OUTPUTPOWER",
    "IDC_TODAYENERGY", "IDC_TODAYMINUTES", "IDC_TOTALENERGY", "IDC_TOTALHOURS",
    "IDC_TEMPERATURE", "IDC_STATUSSWITCH", "IDC_COMMUNICATIONCONNECT",
    "IDC_OPENHISTORYDATAFILE", "IDC_TEST", "IDC_METER_TODAYENERGY", "IDC_METER_TOTALENERGY",
    "IDC_METER_TOTALPOWER",
    "IDD_PASSWORD_DIALOG", "IDC_PASSWORD", "IDC_PASSWORDERROR",
    "IDD_PARASET_DIALOG", "IDC_BUTTON_UPLOAD", "IDC_UPLOADOK", "IDC_UPLOADAGAIN",
    "IDC_BUTTON_DOWNLOAD", "IDC_DOWNLOADOK", "IDC_DOWNLOADAGAIN", "IDC_BUTTON_CLEAR",
    "IDC_LIST1_COLUMN1_NAME", "IDC_LIST1_COLUMN2_NAME", "IDC_LIST1_COLUMN3_NAME",
    "IDC_LIST1_ROW1_DESCRIPTION", "IDC_LIST1_ROW2_DESCRIPTION", "IDC_LIST1_ROW3_DESCRIPTION",
    "IDC_LIST1_ROW4_DESCRIPTION", "IDC_LIST1_ROW5_DESCRIPTION", "IDC_LIST1_ROW6_DESCRIPTION",
    "IDC_LIST1_ROW7_DESCRIPTION", "IDC_LIST3_ROW1_DESCRIPTION", "IDC_LIST3_ROW2_DESCRIPTION",
    "IDD_MANUALTEST_DIALOG", "IDC_MANUALTEST_REFRESH", "IDC_MANUALTEST_FRAME1",
    "IDC_MANUALTEST_FRAME2", "IDC_MANUALTEST_FRAME3", "IDC_MANUALTEST_BUTTON1",
    "IDC_MANUALTEST_BUTTON2", "IDC_MANUALTEST_BUTTON3", "IDC_MANUALTEST_COLUMN1",
    "IDC_MANUALTEST_COLUMN2", "IDC_MANUALTEST_PARA1", "IDC_MANUALTEST_PARA2",
    "IDC_MANUALTEST_PARA3", "IDC_MANUALTEST_PARA4", "IDC_MANUALTEST_PARA5",
    "IDC_MANUALTEST_PARA6", "IDC_MANUALTEST_PARA7", "IDC_MANUALTEST_PARA8",
    "IDC_MANUALTEST_PARA9", "IDC_MANUALTEST_PARA10", "IDC_MANUALTEST_DCIRANGE",
    "IDC_MANUALTEST_SERIALRANGE",
    "IDD_TESTBAR_DIALOG", "IDC_TESTBAR_INPUT",
    "IDC_BUTTON_RESTORE", "IDC_PARAMETER_ORDER", "IDC_WRITE_NOREPLY", "IDC_READBACK_NOREPLY",
    "IDC_READBACK_DIFFERS", "IDC_DOWNLOADFAILED", "IDC_BACKUPFAILED", "IDC_RESTOREFAILED",
    "IDC_DISPLAY_UNKNOWN", "IDC_DISPLAY_SETUNKNOWN", "IDC_DISPLAY_DIFFERS",
    "IDC_DISPLAY_NOREADBACK", "IDC_MANUALTEST_DIFFERS", "IDC_MANUALTEST_NOREPLY",
    "IDC_LINK_TITLE", "IDC_LINK_SENT", "IDC_LINK_REPLIES", "IDC_LINK_TIMEOUTS",
    "IDC_LINK_CHECKSUM", "IDC_LINK_HEADER", "IDC_LINK_LENGTH", "IDC_LINK_ECHOES",
    "IDC_LINK_REOPENS", "IDC_LINK_REREGISTRATIONS", "IDC_LINK_LASTERROR", "IDC_LINK_NOERROR",
    "IDC_SLOT_INVERTER", "IDC_MQTT_SENT", "IDC_MQTT_DROPPED", "IDC_MQTT_RECONNECTS",
    "IDC_MQTT_FAILED", "IDC_MQTT_PREFIXREFUSED", "IDC_MQTT_CLEARPASSWORD",
    "IDC_WEB_OPENNETWORK", "IDC_WEB_NOTSTARTED",
    "IDC_STATUS_NOPORT", "IDC_STATUS_NOTCONNECTED", "IDC_STATUS_LINKLOST", "IDC_STATUS_LINKALIVE",
    "IDC_STATUS_WAITING", "IDC_STATUS_LASTERROR", "IDC_STATUS_NOROW", "IDC_STATUS_RECORDFAILED",
    "IDC_STATUS_LASTROW", "IDC_STATUS_KEPTROWS", "IDC_STATUS_KEPTASIDE", "IDC_STATUS_COPIEDIN",
    "IDC_STATUS_OFFICELOCK", "IDC_STATUS_ROWSDROPPED", "IDC_STATUS_SEVERALANSWERING",
    "IDC_OPENDATA_EMPTY",
    "IDC_OPENDATA_NOWORKBOOK", "IDC_OPENDATA_NOMONTHFILE", "IDC_HISTORY_READING",
    "IDC_SLOTS_GROUP", "IDC_SLOTS_COUNT", "IDC_SLOTS_SLOT", "IDC_SLOTS_SERIAL", "IDC_SLOTS_LASTSEEN",
    "IDC_SLOTS_FREE", "IDC_SLOTS_CLEAR", "IDC_ONEINVERTER_ONLY", "IDC_SEVERAL_ANSWERING",
    "IDC_WEB_TITLE", "IDC_WEB_HEALTH", "IDC_WEB_OFFLINE", "IDC_WEB_LOADING", "IDC_WEB_LOADFAILED",
    "IDC_WEB_LINK", "IDC_WEB_RECORDING", "IDC_WEB_TODAY", "IDC_WEB_LINKLOSTSINCE", "IDC_WEB_AGE_S",
    "IDC_WEB_AGE_MIN", "IDC_WEB_AGE_H", "IDC_WEB_NOREPLY", "IDC_WEB_INVERTER_N", "IDC_WEB_STATE",
    "IDC_WEB_MODEL", "IDC_WEB_FIRMWARE", "IDC_WEB_FAULTWORD", "IDC_WEB_DAY", "IDC_WEB_MONTH",
    "IDC_WEB_CSV_DAY", "IDC_WEB_CSV_MONTH", "IDC_WEB_ENERGYPERDAY", "IDC_WEB_DAYENERGY",
    "IDC_WEB_MONTHENERGY", "IDC_WEB_PEAKPOWER", "IDC_WEB_ROWS", "IDC_WEB_DAYSWITHROWS",
    "IDC_WEB_NODAYROWS", "IDC_WEB_NOMONTHROWS", "IDC_WEB_PROGRAM", "IDC_WEB_VERSION",
    "IDC_WEB_FOLDER", "IDC_WEB_PORT", "IDC_WEB_STARTED", "IDC_WEB_UPTIME", "IDC_WEB_DAYS",
    "IDC_WEB_LATEREPLIES", "IDC_WEB_MQTT", "IDC_WEB_MQTTOFF", "IDC_WEB_MQTTCONNECTED",
    "IDC_WEB_MQTTWITHHELD", "IDC_WEB_YES", "IDC_WEB_NO", "IDC_WEB_CYCLES", "IDC_WEB_MISSED",
    "IDC_WEB_ANSWERING", "IDC_WEB_LOST", "IDC_WEB_EVENTS", "IDC_WEB_TIME", "IDC_WEB_EVENT",
    "IDC_WEB_DETAIL", "IDC_WEB_NOEVENTS", "IDC_WEB_EV_LINK_LOST", "IDC_WEB_EV_LINK_BACK",
    "IDC_WEB_EV_PORT_FAULT", "IDC_WEB_EV_PORT_OPEN", "IDC_WEB_EV_RECORDING_FAILED",
    "IDC_WEB_EV_RECORDING_RESUMED", "IDC_WEB_EV_RE_REGISTRATION", "IDC_WEB_EV_REGISTERED",
    "IDC_WEB_EV_SLOT_LOST", "IDC_WEB_EV_SEVERAL_ANSWERING", "IDC_WEB_EV_INVERTER_FAULT",
    "IDC_WEB_EV_FAULT_CLEARED",
};

const QStringList kRangeKeys = {"IDC_MANUALTEST_DCIRANGE", "IDC_MANUALTEST_SERIALRANGE"};

// The English texts the windows and messages quote.
const std::pair<const char*, const char16_t*> kQuotedEnglish[] = {
    {"IDC_BUTTON_TITLE", u"Veltroma monitor V3.00"},
    {"IDC_BUTTON_TITLE2", u"Please select Language"},
    {"IDOK", u"OK"},
    {"IDCANCEL", u"Cancel"},
    {"IDC_SYSTEMBAR", u"System Bar"},
    {"IDC_INVERTERBAR", u"Inverter Bar"},
    {"IDC_SETTING", u"System setting"},
    {"IDC_HELP", u"Help"},
    {"IDC_PARAMETERMANAGE2", u"Parameter Management"},
    {"IDC_AUTOTEST", u"Auto Test"},
    {"IDC_EXITINFORMATION", u"Are you sure to Exit\uFF1F"},
    {"IDD_COMMCONFIG_DIALOG", u"PC Communication Setting"},
    {"IDC_RS232NO", u"PC RS232 No."},
    {"IDC_NETREGISTDISPLAY", u"Start network Regist\u2026\u2026\u2026have finished %d%%"},
    {"IDC_NORMAL", u"Normal"},
    {"IDC_WAIT", u"Wait"},
    {"IDC_STATUSSWITCH", u"Realtime Monitor, Parameter Manage,History Data Review,Open Data File,Debug"},
    {"IDC_COMMUNICATIONCONNECT", u"Communication Connect"},
    {"IDC_OPENHISTORYDATAFILE", u"Open History Data File"},
    {"IDC_TEST", u"Test"},
    {"IDD_PASSWORD_DIALOG", u"Operate Limited"},
    {"IDC_PASSWORDERROR", u"Password not correct!"},
    {"IDD_PARASET_DIALOG", u"Parameter Management"},
    {"IDC_BUTTON_CLEAR", u"Clear Etotal/Htotal"},
    {"IDC_UPLOADOK", u"UpLoad Data OK!"},
    {"IDC_UPLOADAGAIN", u"Please UpLoad Data again!"},
    {"IDC_DOWNLOADOK", u"DownLoad Data OK,Please Upload to be sure\uFF01"},
    {"IDC_DOWNLOADAGAIN", u"Please DownLoad Data again!"},
    {"IDC_LIST1_COLUMN1_NAME", u"Parameter"},
    {"IDC_LIST1_COLUMN2_NAME", u"Value"},
    {"IDC_LIST1_COLUMN3_NAME", u"Note"},
    {"IDC_LIST3_ROW1_DESCRIPTION", u"Display language of the inverter"},
    {"IDC_LIST3_ROW2_DESCRIPTION", u"0~6"},
    {"IDD_MANUALTEST_DIALOG", u"Manual Test"},
    {"IDC_MANUALTEST_FRAME2", u"Serial Number"},
    {"IDC_MANUALTEST_FRAME3", u"DCI Adjust"},
    {"IDC_MANUALTEST_BUTTON1", u"Test"},
    {"IDC_MANUALTEST_BUTTON2", u"Scan"},
    {"IDC_MANUALTEST_BUTTON3", u"Set"},
    {"IDC_MANUALTEST_PARA6", u"Last Time Value:"},
    {"IDC_MANUALTEST_PARA7", u"Setting Value:"},
    {"IDC_MANUALTEST_PARA8", u"Now Value:"},
    {"IDC_MANUALTEST_PARA9", u"DCI(mA):"},
    {"IDC_MANUALTEST_PARA10", u"DCI Shift:"},
    {"IDC_MANUALTEST_DCIRANGE", u"DCI Value should be in 1920~2080 range!"},
    {"IDC_MANUALTEST_SERIALRANGE", u"Serial Number Length should be 10 Char!"},
    {"IDD_TESTBAR_DIALOG", u"Bar Code Input"},
    {"IDC_TESTBAR_INPUT", u"Inverter Bar Code"},
};

struct LanguageFile {
    QStringList keys; // of [String], in file order
    ProfileDocument doc;

    [[nodiscard]] QString text(const QString& key) const { return *doc.value(u"String", key); }
};

LanguageFile load(int id)
{
    const QByteArray bytes = embeddedFile(id).value_or(QByteArray());
    LanguageFile file{{}, ProfileDocument::parse(bytes)};
    const QString text = file.doc.encoding() == ProfileEncoding::Gbk
                             ? decodeGbk(bytes).text
                             : QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                                  (bytes.size() - 2) / 2);
    const QStringList sections = text.split(QStringLiteral("[String]\r\n"));
    if (sections.size() == 2) {
        for (const QString& line : sections[1].split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            file.keys.append(line.section(u'=', 0, 0));
    }
    return file;
}

TEST(LanguageFiles, EveryKeyInFileOrder)
{
    QStringList withoutRanges = kKeys;
    for (const QString& key : kRangeKeys)
        withoutRanges.removeOne(key);

    EXPECT_EQ(load(62).keys, kKeys);
    EXPECT_EQ(load(61).keys, kKeys + QStringList{"testButton"});
    EXPECT_EQ(load(64).keys, kKeys);
    for (int id : {63, 65, 66, 67, 68, 69, 70, 71, 72}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(load(id).keys, withoutRanges);
    }
}

TEST(LanguageFiles, EnglishQuotesTheProgramsTextsExactly)
{
    const LanguageFile english = load(62);
    for (const auto& [key, text] : kQuotedEnglish)
        EXPECT_EQ(english.text(key), QString::fromUtf16(text)) << key;
}

TEST(LanguageFiles, TheNineOthersCarryTheEnglishTexts)
{
    const LanguageFile english = load(62);
    for (int id : {63, 65, 66, 67, 68, 69, 70, 71, 72}) {
        SCOPED_TRACE(id);
        const LanguageFile other = load(id);
        const bool olderTitle = id == 63 || id == 70 || id == 71;
        for (const QString& key : other.keys) {
            const QString expected =
                key == "IDC_BUTTON_TITLE" && olderTitle ? "Veltroma monitor V2.60" : english.text(key);
            EXPECT_EQ(other.text(key), expected) << qPrintable(key);
        }
    }
}

TEST(LanguageFiles, ChineseFilesAreCompleteTranslations)
{
    const LanguageFile english = load(62);
    // Simplified forms that have no place in the traditional file, and the other way round.
    const QRegularExpression simplifiedOnly(u"[设数电压网络试语选择统栏动测读写输运时间计发历开调码请确项应围长为变监软号]"_qs);
    const QRegularExpression traditionalOnly(u"[設數電壓網絡試語選擇統欄動測讀寫輸運時間計發歷開調碼請確項應圍長為變監軟號]"_qs);

    for (const auto& [id, foreign] : {std::pair{61, &traditionalOnly}, std::pair{64, &simplifiedOnly}}) {
        SCOPED_TRACE(id);
        const LanguageFile chinese = load(id);
        for (const QString& key : kKeys) {
            const QString text = chinese.text(key);
            EXPECT_FALSE(text.contains(*foreign)) << qPrintable(key);
            // Only a range and a unit read the same in every language.
            const bool sameEverywhere = key == "IDC_LIST3_ROW2_DESCRIPTION" || key == "IDC_MANUALTEST_PARA9";
            EXPECT_TRUE(sameEverywhere || text != english.text(key)) << qPrintable(key);
        }
        EXPECT_EQ(chinese.text("IDC_STATUSSWITCH").split(u',').size(), 5);
        EXPECT_EQ(chinese.text("IDC_NETREGISTDISPLAY").count(u'%'), 3);
        EXPECT_TRUE(chinese.text("IDC_NETREGISTDISPLAY").contains(u"%d%%"));
    }
    EXPECT_FALSE(load(61).text("testButton").isEmpty());
}

TEST(LanguageFiles, LanguageNamesInTheirCodePages)
{
    const QByteArray crlf("\r\n");
    EXPECT_TRUE(embeddedFile(61)->startsWith("[Setting]\r\nLanguage=" + QByteArray::fromHex("d6d0cec428bcf2cce529") + crlf));
    EXPECT_TRUE(embeddedFile(64)->startsWith("[Setting]\r\nLanguage=" + QByteArray::fromHex("d6d0cec428b7b1f37729") + crlf));
    EXPECT_TRUE(embeddedFile(69)->startsWith("[Setting]\r\nLanguage=Catal" + QByteArray::fromHex("a8a4") + crlf));
    EXPECT_TRUE(embeddedFile(65)->startsWith("[Setting]\r\nLanguage=Francais \r\n"));
    EXPECT_TRUE(embeddedFile(71)->startsWith(QByteArray("\xFF\xFE[\0S\0", 6)));
}

} // namespace
} // namespace veltroma
