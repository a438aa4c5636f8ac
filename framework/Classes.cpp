#include "framework/Classes.h"

#include <algorithm>
#include <cstdio>

TComponent::TComponent(TComponent* owner) : m_owner(owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  m_state |= csDestroying;
  // Owned components go in reverse creation order, each telling its siblings first.
  while (!m_components.empty()) {
    TComponent* c = m_components.back();
    for (TComponent* other : m_components)
      if (other != c) other->Notification(c, true);
    delete c;  // removes itself from m_components
  }
  if (m_owner) m_owner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* c) { m_components.push_back(c); }

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(m_components.begin(), m_components.end(), c);
  if (it != m_components.end()) m_components.erase(it);
}

void TComponent::EndLoading() {
  if (!Loading()) return;
  m_state &= ~csLoading;
  Loaded();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : m_components)
    if (c->Name() == name) return c;
  return nullptr;
}

bool TComponent::GetPropertyText(std::string_view name, std::string& value) {
  if (name == "Name")
    value = m_name;
  else if (name == "Tag")
    value = PropInt(m_tag);
  else if (name == "ClassName")
    value = ClassName();
  else
    return false;
  return true;
}

std::string PropInt(long long v) { return std::to_string(v); }
std::string PropBool(bool v) { return v ? "true" : "false"; }
std::string PropColor(TColor c) {
  const std::string sys = SystemColorName(c);
  if (!sys.empty()) return "sys:" + sys;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(c));
  return buf;
}
