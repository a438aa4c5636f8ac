// The picture holder TPicture and the registry of picture classes it reads stored pictures with.
//
// A stored picture (a picture stream) is one length byte n, n bytes of class name, then the
// picture's own data. The class is looked up by exact name, most recent registration first.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Streams.h"

// Pictures whose own data inside a picture stream differs from their file form implement this
// (the bitmap stores a 4-byte length before its file); others are read with LoadFromStream.
class TStoredData {
 public:
  virtual ~TStoredData() = default;
  virtual void ReadData(TStream& stream) = 0;
  virtual void WriteData(TStream& stream) const = 0;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
  std::string Extension;
  std::string Description;
  std::string ClassName;
  TGraphicFactory Factory;
};

// The picture classes known by name.
class TFileFormatsList {
 public:
  static TFileFormatsList& Instance();

  void Add(const std::string& extension, const std::string& description, const std::string& className,
           TGraphicFactory factory);
  // Removes every registration of the class.
  void Remove(const std::string& className);
  // The most recent registration of exactly this class name, null when there is none.
  const TFileFormat* FindClassName(const std::string& className) const;
  // The most recent registration for the extension (letter case ignored), null when none.
  const TFileFormat* FindExtension(const std::string& extension) const;
  const std::vector<TFileFormat>& Formats() const { return m_formats; }

 private:
  std::vector<TFileFormat> m_formats;  // in registration order
};

template <class TGraphicClass>
void RegisterFileFormat(const std::string& extension, const std::string& description, const std::string& className) {
  TFileFormatsList::Instance().Add(extension, description, className, [] { return std::make_unique<TGraphicClass>(); });
}
inline void UnregisterFileFormat(const std::string& className) { TFileFormatsList::Instance().Remove(className); }

// Holds at most one picture.
class TPicture {
 public:
  std::function<void()> OnChange;

  TGraphic* Graphic() const { return m_graphic.get(); }
  // Takes the picture (null empties the holder) and signals a change.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // Gives the picture away and leaves the holder empty (without signalling a change).
  std::unique_ptr<TGraphic> TakeGraphic() { return std::move(m_graphic); }
  int Width() const { return m_graphic ? m_graphic->Width() : 0; }
  int Height() const { return m_graphic ? m_graphic->Height() : 0; }
  bool Empty() const { return !m_graphic || m_graphic->Empty(); }
  // Copies the other holder's picture (a deep copy; empty when it holds nothing).
  void Assign(const TPicture& other);

  // Reads a picture stream. An unknown class name leaves the holder empty without an error; a
  // picture that fails to read is destroyed and its error passed on (the holder is unchanged).
  void ReadData(TStream& stream);
  // Writes a picture stream; writes nothing and returns false when the holder is empty.
  bool WriteData(TStream& stream) const;

 private:
  void Changed();
  std::unique_ptr<TGraphic> m_graphic;
};
