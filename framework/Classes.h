// Components: ownership, names, the loading state and the property reader used by the driver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Types.h"

class TComponent;
class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TComponentStateFlag : unsigned { csLoading = 1, csDestroying = 2, csDesigning = 4 };

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return m_owner; }
  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  std::intptr_t Tag() const { return m_tag; }
  void SetTag(std::intptr_t tag) { m_tag = tag; }
  virtual const char* ClassName() const { return "TComponent"; }

  unsigned ComponentState() const { return m_state; }
  bool Loading() const { return (m_state & csLoading) != 0; }
  bool Destroying() const { return (m_state & csDestroying) != 0; }
  // A window description is being applied to this component (stored properties follow).
  void BeginLoading() { m_state |= csLoading; }
  // Ends the loading state and runs Loaded().
  void EndLoading();

  const std::vector<TComponent*>& Components() const { return m_components; }
  TComponent* FindComponent(std::string_view name) const;

  // Reads a published property as text for the driver ("Left", "Caption", "Font.Color", ...).
  // Returns false when the class has no such property.
  virtual bool GetPropertyText(std::string_view name, std::string& value);

 protected:
  // Runs once after the stored properties have been applied.
  virtual void Loaded() {}
  // Another component owned by the same owner is going away.
  virtual void Notification(TComponent* component, bool removing) {
    (void)component;
    (void)removing;
  }

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* m_owner = nullptr;
  std::string m_name;
  std::intptr_t m_tag = 0;
  unsigned m_state = 0;
  std::vector<TComponent*> m_components;  // owned
};

// Text forms of property values as the driver prints them.
std::string PropInt(long long v);
std::string PropBool(bool v);
std::string PropColor(TColor c);
