// The object bases: ownership must free every owned component exactly once,
// whichever of owner and child goes first.
#include <gtest/gtest.h>

#include "platform/classes/Classes.h"

namespace velmorak {
namespace {

class Probe : public TComponent {
public:
  Probe(TComponent* owner, int* freed) : TComponent(owner), FFreed(freed) {}
  ~Probe() override { ++*FFreed; }

private:
  int* FFreed;
};

TEST(Component, OwnerFreesChildrenAndForgetsOnesFreedFirst) {
  int freed = 0;
  auto* owner = new TComponent(nullptr);
  auto* a = new Probe(owner, &freed);
  new Probe(owner, &freed);
  auto* c = new Probe(a, &freed);  // grandchild, freed through a
  c->SetName("Grandchild");
  EXPECT_EQ(a->FindComponent("Grandchild"), c);
  EXPECT_EQ(owner->FindComponent("Grandchild"), nullptr);

  delete a;  // frees c too and unlinks itself from owner
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  EXPECT_EQ(freed, 3);
}

TEST(SysUtils, FormatGrowsPastTheStackBuffer) {
  const std::string longArg(1000, 'x');
  EXPECT_EQ(Format("%s:%05d", "Item", 42), "Item:00042");
  EXPECT_EQ(Format("<%s>", longArg.c_str()), "<" + longArg + ">");
}

TEST(SysUtils, ExceptionCarriesItsMessage) {
  try {
    throw EConvertError("bad value");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "bad value");
    EXPECT_STREQ(e.what(), "bad value");
  }
}

}  // namespace
}  // namespace velmorak
