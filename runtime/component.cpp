#include "runtime/component.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // Children unlink themselves in their destructors, so take them off the back.
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    child->FOwner = nullptr;
    FComponents.pop_back();
    delete child;
  }
  if (FOwner) {
    auto& siblings = FOwner->FComponents;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  for (TComponent* c : FComponents)
    if (c->Name == AName) return c;
  return nullptr;
}
