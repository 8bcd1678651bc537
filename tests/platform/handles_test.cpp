// The SAFEARRAY data-access scope: the array stays locked exactly as long as a scope holds it.
#include <gtest/gtest.h>

#include <handles.h>

#include <utility>

namespace {

// Only an unlocked array can be redimensioned.
bool IsLocked(SAFEARRAY* array) {
  SAFEARRAYBOUND bound{array->rgsabound[0].cElements, array->rgsabound[0].lLbound};
  return SafeArrayRedim(array, &bound) == DISP_E_ARRAYISLOCKED;
}

TEST(SafeArrayData, LocksForItsScopeAndHandsTheLockOn) {
  plat::unique_safearray array(SafeArrayCreateVector(VT_I4, 0, 3));
  ASSERT_TRUE(array);
  plat::safearray_data<LONG> moved;
  {
    plat::safearray_data<LONG> data;
    ASSERT_EQ(data.access(array.get()), S_OK);
    EXPECT_TRUE(IsLocked(array.get()));
    data.get()[2] = 42;
    moved = std::move(data);
    EXPECT_FALSE(data);
    EXPECT_EQ(data.get(), nullptr);
  }
  EXPECT_TRUE(IsLocked(array.get())) << "the moved-from scope unlocked the array";
  EXPECT_EQ(moved.array(), array.get());
  EXPECT_EQ(moved.get()[2], 42);
  // A second access ends the first: the array is locked once, not twice.
  ASSERT_EQ(moved.access(array.get()), S_OK);
  moved.reset();
  EXPECT_FALSE(IsLocked(array.get()));

  // A failed access ends the one held as well.
  ASSERT_EQ(moved.access(array.get()), S_OK);
  EXPECT_EQ(moved.access(nullptr), E_INVALIDARG);
  EXPECT_FALSE(moved);
  EXPECT_EQ(moved.get(), nullptr);
  EXPECT_FALSE(IsLocked(array.get()));
}

}  // namespace
