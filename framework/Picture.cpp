#include "framework/Picture.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

TFileFormatsList& TFileFormatsList::Instance() {
  static TFileFormatsList list;
  return list;
}

void TFileFormatsList::Add(const std::string& extension, const std::string& description, const std::string& className,
                           TGraphicFactory factory) {
  m_formats.push_back({extension, description, className, std::move(factory)});
}

void TFileFormatsList::Remove(const std::string& className) {
  std::erase_if(m_formats, [&](const TFileFormat& f) { return f.ClassName == className; });
}

const TFileFormat* TFileFormatsList::FindClassName(const std::string& className) const {
  for (auto it = m_formats.rbegin(); it != m_formats.rend(); ++it)
    if (it->ClassName == className) return &*it;
  return nullptr;
}

const TFileFormat* TFileFormatsList::FindExtension(const std::string& extension) const {
  for (auto it = m_formats.rbegin(); it != m_formats.rend(); ++it)
    if (SameTextIgnoringCase(it->Extension, extension)) return &*it;
  return nullptr;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  if (graphic == m_graphic) return;
  m_graphic = std::move(graphic);
  Changed();
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this) return;
  SetGraphic(other.m_graphic ? other.m_graphic->Clone() : nullptr);
}

void TPicture::ReadData(TStream& stream) {
  std::uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string className(length, '\0');
  stream.ReadBuffer(className.data(), length);
  std::unique_ptr<TGraphic> graphic;
  if (const TFileFormat* format = TFileFormatsList::Instance().FindClassName(className)) {
    graphic = format->Factory();
    // An error here destroys the new picture (it is still owned by `graphic`) and propagates.
    if (auto* stored = dynamic_cast<TStoredData*>(graphic.get()))
      stored->ReadData(stream);
    else
      graphic->LoadFromStream(stream);
  }
  m_graphic = std::move(graphic);
  Changed();
}

bool TPicture::WriteData(TStream& stream) const {
  if (!m_graphic) return false;
  const std::string className = m_graphic->ClassName();
  const auto length = static_cast<std::uint8_t>(std::min<std::size_t>(className.size(), 255));
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(className.data(), length);
  if (const auto* stored = dynamic_cast<const TStoredData*>(m_graphic.get()))
    stored->WriteData(stream);
  else
    m_graphic->SaveToStream(stream);
  return true;
}
