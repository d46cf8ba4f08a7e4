#pragma once
// The studio's saved form: a JSON file of the host's own holding, for every
// control on the form by name, the property bag the control wrote:
//   { "controls": { "TavirelControl1": { "COMPort": 2, "EuroSettings": 2 } } }
// A value equal to its default is left out, as the control allows.
#include <QJsonObject>
#include <QString>
#include <map>
#include <memory>
#include <string>

#include "tavirel/errors.hpp"
#include "tavirel/host.hpp"

namespace tavirel::studio {

/// The form file cannot be read or written; the message names the file.
class FormFileError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A property bag kept in a JSON object. Values read back take the type of
/// their default (a 16-bit COMPort, a 32-bit EuroSettings, a text).
class JsonPropertyBag final : public PropertyBag {
 public:
  explicit JsonPropertyBag(QJsonObject values = {}) : values_(std::move(values)) {}
  [[nodiscard]] Variant ReadProperty(std::string_view name, const Variant& default_value) override;
  void WriteProperty(std::string_view name, const Variant& value,
                     const Variant& default_value) override;
  [[nodiscard]] const QJsonObject& Values() const { return values_; }

 private:
  QJsonObject values_;
};

class FormFile {
 public:
  /// Reads `path` when it exists (and `load`); a missing file is an empty
  /// form. Throws FormFileError for a file that cannot be read or is no form.
  explicit FormFile(QString path, bool load = true);

  [[nodiscard]] const QString& Path() const { return path_; }
  /// True when the form holds saved properties for that control.
  [[nodiscard]] bool Has(const QString& control) const;
  /// The saved bag of a control (an empty bag for a new one).
  [[nodiscard]] JsonPropertyBag BagOf(const QString& control) const;
  void Store(const QString& control, const JsonPropertyBag& bag);
  /// Writes the file whole (through a temporary file, so a crash leaves the
  /// old one). Throws FormFileError naming the file.
  void Save() const;

  /// The default place: form.json in the user's configuration folder of
  /// tavirel-studio.
  static QString DefaultPath();

 private:
  QString path_;
  QJsonObject controls_;
};

}  // namespace tavirel::studio
