#include "interrogation/protection.h"

namespace {

// The features MMC lists for content protection, and the field of each
// that carries the scheme's version.
const struct {
  int code;
  const char* name;
  const char* versionKey;
} kProtectionFeatures[] = {
    {0x0106, "CSS", "css_version"},
    {0x010B, "CPRM", "cprm_version"},
    {0x010D, "AACS", "aacs_version"},
    {0x010E, "CSS managed recording", nullptr},
    {0x0110, "VCPS", nullptr},
    {0x0113, "SecurDisc", nullptr},
    {0x0142, "OSSC", nullptr},
};

const FeatureField* FieldOf(const Feature& feature, const char* key) {
  if (key == nullptr) return nullptr;
  for (const FeatureField& field : feature.fields)
    if (std::string(field.key) == key) return &field;
  return nullptr;
}

}  // namespace

const char kBusEncryptionMeaning[] =
    "the drive encrypts a protected disc's sectors on their way to the computer, so that "
    "only a licensed player can decrypt them: a copy of such a disc made through the drive holds the encrypted "
    "sectors";
const char kBusEncryptionRequired[] =
    "not declared by the drive's features: its AACS certificate and the disc decide, which the report does not "
    "read";

ContentProtection DescribeProtection(const FeatureList& features) {
  ContentProtection protection;
  for (const Feature& feature : features.features) {
    for (const auto& known : kProtectionFeatures) {
      if (feature.code != known.code) continue;
      const FeatureField* version = FieldOf(feature, known.versionKey);
      protection.schemes.push_back({feature.code, known.name, version != nullptr ? version->number : -1, feature.current});
      if (known.versionKey != nullptr && version == nullptr)
        protection.notes.push_back(std::string(known.name) + ": the feature did not come with its version");
    }
    if (feature.code != 0x010D) continue;
    const FeatureField* bec = FieldOf(feature, "bec");
    const FeatureField* wbe = FieldOf(feature, "wbe");
    protection.aacs = bec != nullptr;
    protection.busEncryption = bec != nullptr && bec->number != 0;
    protection.writeBusEncryption = wbe != nullptr && wbe->number != 0;
  }
  return protection;
}

std::string ProtectionSchemesText(const ContentProtection& protection) {
  std::string text;
  for (const ProtectionScheme& scheme : protection.schemes) {
    if (!text.empty()) text += ", ";
    text += scheme.name;
    if (scheme.version >= 0) text += " " + std::to_string(scheme.version);
    if (scheme.current) text += " (current)";
  }
  return text.empty() ? "none" : text;
}
