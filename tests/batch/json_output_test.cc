// The JSON quilmar-batch prints: its keys in order and texts that survive any content.
#include "json_output.hh"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace quilmar::batch {
namespace {

QJsonObject Parse(const std::string& json) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << json;
  return doc.object();
}

Snapshot Sample() {
  Snapshot s;
  s.text = u"a\"b\\c\r\n\t\u00e9\U0001F600\x01";
  s.selStart = 3;
  s.selLength = 2;
  s.commandMode = true;
  s.locked = true;
  s.panels = {u"Written", u"Command", u"/tmp/x y.txt", u"Ln# 0 : Char# 3 ", u"1 lines"};
  s.caption = u"Quilmar - x y.txt";
  s.currentFile = u"/tmp/x y.txt";
  s.lastPattern = u"</script>";
  s.searchPos = 7;
  s.tabSpaces = 4;
  s.cmdStart = true;
  s.checks = {{"mnuWordWrap", true}, {"mnuFindCase", false}, {"mnuReplaceCase", true},
              {"mnuStCmdMode", true}};
  s.focus = "txtCmd";
  s.clipboard = u"\u2028";
  s.messageBoxes = {u"one", u"two"};
  s.lineCount = 2;
  s.recoveryRecords = {{u"/tmp/x y.txt", u"2024-03-01 09:30", true, RecoveryOffer::Answer::Declined},
                       {std::nullopt, u"2024-03-01 10:30", false, RecoveryOffer::Answer::Recovered}};
  return s;
}

TEST(SnapshotJson, KeysInTheirDocumentedOrder) {
  const std::string json = SnapshotJson(Sample(), false);
  std::size_t last = 0;
  for (const char* key : {"text", "selStart", "selLength", "commandMode", "locked",
                          "pendingDelete", "panels", "caption", "currentFile", "textChanged",
                          "lastPattern", "searchPos", "tabSpaces", "cmdStart", "checks",
                          "cmdText", "cmdSelStart", "cmdSelLength", "focus", "clipboard", "messageBoxes", "closed",
                          "lineCount", "helpText", "recoveryRecords"}) {
    const std::size_t at = json.find("\"" + std::string(key) + "\":");
    ASSERT_NE(at, std::string::npos) << key;
    EXPECT_GT(at, last) << key;
    last = at;
  }
  EXPECT_EQ(Parse(json).size(), 25);
}

TEST(SnapshotJson, ValuesRoundTripThroughAJsonReader) {
  const Snapshot s = Sample();
  const QJsonObject o = Parse(SnapshotJson(s, false));
  EXPECT_EQ(o["text"].toString().toStdU16String(), s.text);
  EXPECT_EQ(o["selStart"].toInt(), 3);
  EXPECT_EQ(o["selLength"].toInt(), 2);
  EXPECT_TRUE(o["commandMode"].toBool());
  EXPECT_FALSE(o["pendingDelete"].toBool());
  ASSERT_EQ(o["panels"].toArray().size(), 5);
  EXPECT_EQ(o["panels"].toArray()[3].toString(), "Ln# 0 : Char# 3 ");
  EXPECT_EQ(o["caption"].toString(), "Quilmar - x y.txt");
  EXPECT_EQ(o["lastPattern"].toString(), "</script>");
  EXPECT_EQ(o["searchPos"].toInt(), 7);
  EXPECT_EQ(o["tabSpaces"].toInt(), 4);
  const QJsonObject checks = o["checks"].toObject();
  EXPECT_EQ(checks.size(), 4);
  EXPECT_TRUE(checks["mnuWordWrap"].toBool());
  EXPECT_FALSE(checks["mnuFindCase"].toBool());
  EXPECT_EQ(o["focus"].toString(), "txtCmd");
  EXPECT_EQ(o["clipboard"].toString().toStdU16String(), u"\u2028");
  EXPECT_EQ(o["messageBoxes"].toArray().size(), 2);
  EXPECT_FALSE(o["closed"].toBool());
  EXPECT_EQ(o["lineCount"].toInt(), 2);
  EXPECT_TRUE(o["helpText"].isNull());
  const QJsonArray records = o["recoveryRecords"].toArray();
  ASSERT_EQ(records.size(), 2);
  EXPECT_EQ(records[0].toObject()["path"].toString(), "/tmp/x y.txt");
  EXPECT_TRUE(records[1].toObject()["path"].isNull());
  EXPECT_EQ(records[1].toObject()["time"].toString(), "2024-03-01 10:30");
  EXPECT_TRUE(records[0].toObject()["changedOnDisk"].toBool());
  EXPECT_EQ(records[0].toObject()["answer"].toString(), "declined");
  EXPECT_EQ(records[1].toObject()["answer"].toString(), "recovered");
}

TEST(SnapshotJson, OmitTextLeavesOnlyTheText) {
  const QJsonObject o = Parse(SnapshotJson(Sample(), true));
  EXPECT_FALSE(o.contains("text"));
  EXPECT_EQ(o.size(), 24);
}

TEST(JsonString, EscapesWhatJsonRequiresAndReplacesLoneSurrogates) {
  EXPECT_EQ(JsonString(u"a\"\\\n\r\t\b\f\x1f"), "\"a\\\"\\\\\\n\\r\\t\\b\\f\\u001f\"");
  EXPECT_EQ(JsonString(u"\u00e9"), "\"\xc3\xa9\"");
  EXPECT_EQ(JsonString(String(1, char16_t(0xD800))), "\"\xef\xbf\xbd\"");
  EXPECT_EQ(JsonString(u""), "\"\"");
}

}  // namespace
}  // namespace quilmar::batch
