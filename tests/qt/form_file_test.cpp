// The studio's form file: the host's property bags, written and read back.
#include "form_file.hpp"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "qt/control_set.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

QJsonObject ReadJson(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return QJsonDocument::fromJson(file.readAll()).object();
}

void WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

TEST(FormFile, SettingsSurviveASaveAndALoad) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sub/form.json");
  auto saved = qt::testing::MakeLineControl();
  saved->InitProperties();
  saved->COMPort(4);
  saved->Settings("4800,e,7,2");
  saved->EuroSettings(2);
  {
    FormFile file(path);
    JsonPropertyBag bag;
    saved->WriteProperties(bag);
    file.Store("TavirelControl1", bag);
    file.Save();
  }
  FormFile file(path);
  ASSERT_TRUE(file.Has("TavirelControl1"));
  EXPECT_FALSE(file.Has("TavirelControl2"));
  auto loaded = qt::testing::MakeLineControl();
  JsonPropertyBag bag = file.BagOf("TavirelControl1");
  loaded->ReadProperties(bag);
  EXPECT_EQ(loaded->COMPort(), 4);
  EXPECT_EQ(loaded->Settings(), "4800,e,7,2");
  EXPECT_EQ(loaded->EuroSettings(), 2);
}

TEST(FormFile, DefaultsAreLeftOutAndMissingValuesLoadAsDefaults) {
  QTemporaryDir dir;
  const QString path = dir.filePath("form.json");
  auto control = qt::testing::MakeLineControl();
  control->InitProperties();
  control->EuroSettings(1);
  FormFile file(path);
  JsonPropertyBag bag;
  control->WriteProperties(bag);
  file.Store("A", bag);
  file.Save();
  const QJsonObject saved = ReadJson(path).value("controls").toObject().value("A").toObject();
  EXPECT_EQ(saved, (QJsonObject{{"EuroSettings", 1}}));

  JsonPropertyBag empty;
  auto fresh = qt::testing::MakeLineControl();
  fresh->COMPort(9);
  fresh->ReadProperties(empty);
  EXPECT_EQ(fresh->COMPort(), 1);
  EXPECT_EQ(fresh->Settings(), "9600,n,8,1");
  EXPECT_EQ(fresh->EuroSettings(), 0);
}

TEST(FormFile, ValuesReadBackInTheTypeOfTheirDefault) {
  JsonPropertyBag bag(QJsonObject{{"COMPort", 3}, {"EuroSettings", 2}, {"Settings", "1200,n,8,1"}});
  const Variant port = bag.ReadProperty("COMPort", Variant(std::int16_t{1}));
  EXPECT_EQ(port.type(), VarType::VT_I2);
  EXPECT_EQ(port.ToI2(), 3);
  EXPECT_EQ(bag.ReadProperty("EuroSettings", Variant(std::int32_t{0})).type(), VarType::VT_I4);
  EXPECT_EQ(bag.ReadProperty("Settings", Variant("9600,n,8,1")), Variant("1200,n,8,1"));
  EXPECT_EQ(bag.ReadProperty("Missing", Variant(std::int32_t{7})), Variant(std::int32_t{7}));
}

TEST(FormFile, ASavedValueTheControlRefusesReachesTheLoader) {
  JsonPropertyBag bag(QJsonObject{{"COMPort", 70000}});
  auto control = qt::testing::MakeLineControl();
  EXPECT_THROW(control->ReadProperties(bag), TavirelError);
}

TEST(FormFile, UnreadableFilesAreErrorsNamingTheFile) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    QByteArray text;
  } rows[] = {{"broken.json", "{ \"controls\": "}, {"array.json", "[1, 2]"}};
  for (const auto& row : rows) {
    const QString path = dir.filePath(row.name);
    WriteText(path, row.text);
    try {
      FormFile file(path);
      ADD_FAILURE() << row.name << " was read";
    } catch (const FormFileError& error) {
      EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos);
    }
  }
}

TEST(FormFile, MissingFileIsAnEmptyForm) {
  QTemporaryDir dir;
  FormFile file(dir.filePath("none.json"));
  EXPECT_FALSE(file.Has("TavirelControl1"));
  EXPECT_FALSE(QFile::exists(dir.filePath("none.json")));
}

}  // namespace
}  // namespace tavirel::studio
