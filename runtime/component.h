// TObject and TComponent: the ownership model everything is built from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TObject {
 public:
  virtual ~TObject() = default;
};

// The standard event: just the raising object.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// A component has an owner that destroys it, a Name and an integer Tag.
// Owned components are kept in creation order and destroyed with their owner
// (last created first). Deleting an owned component directly is allowed: it
// removes itself from its owner's list.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string Name;
  int32_t Tag = 0;

  TComponent* Owner() const { return FOwner; }
  // Owned components, in creation order.
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }
  // The owned component with this Name, or nullptr.
  TComponent* FindComponent(const std::string& AName) const;

 private:
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
};
