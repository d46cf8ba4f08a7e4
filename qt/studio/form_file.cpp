#include "form_file.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdint>
#include <limits>

namespace tavirel::studio {
namespace {

QString Key(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QJsonValue ToJson(const Variant& value) {
  switch (value.type()) {
    case VarType::VT_BSTR: return QString::fromStdString(value.ToString());
    case VarType::VT_I2:
    case VarType::VT_I4:
    case VarType::VT_BOOL: return value.ToI4();
    default: return QString::fromStdString(value.ToString());
  }
}

Variant FromJson(const QJsonValue& json) {
  if (json.isString()) return Variant(json.toString().toStdString());
  if (json.isDouble()) {
    const double number = json.toDouble();
    // A whole number keeps its value exactly; the default's type decides the rest.
    if (number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max() &&
        number == static_cast<std::int32_t>(number)) {
      return Variant(static_cast<std::int32_t>(number));
    }
    return Variant(QString::number(number, 'g', 17).toStdString());
  }
  throw ConversionError(
      "il valore salvato " +
      QJsonDocument(QJsonArray{json}).toJson(QJsonDocument::Compact).toStdString() +
      " non è né un numero né un testo");
}

}  // namespace

Variant JsonPropertyBag::ReadProperty(std::string_view name, const Variant& default_value) {
  const QJsonValue stored = values_.value(Key(name));
  if (stored.isUndefined()) return default_value;
  return FromJson(stored).ConvertTo(default_value.type());
}

void JsonPropertyBag::WriteProperty(std::string_view name, const Variant& value,
                                    const Variant& default_value) {
  if (value == default_value) {
    values_.remove(Key(name));
  } else {
    values_.insert(Key(name), ToJson(value));
  }
}

FormFile::FormFile(QString path, bool load) : path_(std::move(path)) {
  QFile file(path_);
  if (!load || !file.exists()) return;
  if (!file.open(QIODevice::ReadOnly)) {
    throw FormFileError("impossibile leggere il modulo " + path_.toStdString() + ": " +
                        file.errorString().toStdString());
  }
  QJsonParseError parse;
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
  if (parse.error != QJsonParseError::NoError || !document.isObject()) {
    throw FormFileError("il modulo " + path_.toStdString() + " non è un oggetto JSON" +
                        (parse.error != QJsonParseError::NoError
                             ? ": " + parse.errorString().toStdString()
                             : std::string()));
  }
  controls_ = document.object().value("controls").toObject();
}

bool FormFile::Has(const QString& control) const { return controls_.contains(control); }

JsonPropertyBag FormFile::BagOf(const QString& control) const {
  return JsonPropertyBag(controls_.value(control).toObject());
}

void FormFile::Store(const QString& control, const JsonPropertyBag& bag) {
  controls_.insert(control, bag.Values());
}

void FormFile::Save() const {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) {
    throw FormFileError("impossibile scrivere il modulo " + path_.toStdString() + ": " +
                        file.errorString().toStdString());
  }
  file.write(QJsonDocument(QJsonObject{{"controls", controls_}}).toJson());
  if (!file.commit()) {
    throw FormFileError("impossibile scrivere il modulo " + path_.toStdString() + ": " +
                        file.errorString().toStdString());
  }
}

QString FormFile::DefaultPath() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return folder + "/tavirel-studio/form.json";
}

}  // namespace tavirel::studio
