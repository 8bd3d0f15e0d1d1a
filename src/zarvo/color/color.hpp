#pragma once
// RGB and HSL colour records, each carrying a lazily made copy of itself in
// the other model.
#include <cstdint>
#include <memory>

namespace ZARVO::COLOR {

struct HSLTRIPLE;

// One step of the HSL-to-RGB conversion, in 32-bit floats.
float HUE2RGB(float V1, float V2, float H);

// Red, green and blue, normally 0..255 but stored unchecked (the colour-offset
// filters use negative components). The linked HSLTRIPLE is owned, made on
// demand by TOHSL or FROMHSL and dropped whenever a component changes.
// Copying duplicates the whole linked chain, so copies never share a link.
struct RGBTRIPLE {
  // Black, or the given components.
  RGBTRIPLE();
  RGBTRIPLE(int32_t R, int32_t G, int32_t B);
  ~RGBTRIPLE();
  RGBTRIPLE(const RGBTRIPLE& other);
  RGBTRIPLE(RGBTRIPLE&& other) noexcept;
  RGBTRIPLE& operator=(const RGBTRIPLE& other);
  RGBTRIPLE& operator=(RGBTRIPLE&& other) noexcept;

  // Releases the linked HSLTRIPLE and everything behind it.
  void DESTROYHSL();

  // The components; a write drops the linked HSL form.
  int32_t RED() const { return NR; }
  int32_t GREEN() const { return NG; }
  int32_t BLUE() const { return NB; }
  void RED(int32_t V);
  void GREEN(int32_t V);
  void BLUE(int32_t V);

  // 0xFFRRGGBB; components are not masked, so out-of-range ones spill into
  // their neighbours. The setter ignores the alpha byte.
  uint32_t VALUE() const;
  void VALUE(uint32_t V);

  // The linked HSL form, made on first use. Owned by this record: valid until
  // the link is dropped (by any change of a component). Null when memory runs
  // out (links are caches: a missing one is made again on the next call).
  HSLTRIPLE* TOHSL();

  // Sets the components from hue (degrees), saturation and lightness
  // (percent) and keeps exactly those values as the link. A null pointer is
  // ignored.
  void FROMHSL(const HSLTRIPLE* HSL);
  void FROMHSL(int32_t H, int32_t S, int32_t L);

 private:
  friend struct HSLTRIPLE;
  int32_t NR = 0;
  int32_t NG = 0;
  int32_t NB = 0;
  std::unique_ptr<HSLTRIPLE> PHSL;
};

// Hue in whole degrees (0..360), saturation and lightness in whole percent,
// stored unchecked. The linked RGBTRIPLE is owned like RGBTRIPLE's link.
struct HSLTRIPLE {
  // Hue 0, saturation 0, lightness 0, or the given values.
  HSLTRIPLE();
  HSLTRIPLE(int32_t H, int32_t S, int32_t L);
  ~HSLTRIPLE();
  HSLTRIPLE(const HSLTRIPLE& other);
  HSLTRIPLE(HSLTRIPLE&& other) noexcept;
  HSLTRIPLE& operator=(const HSLTRIPLE& other);
  HSLTRIPLE& operator=(HSLTRIPLE&& other) noexcept;

  // Releases the linked RGBTRIPLE and everything behind it.
  void DESTROYRGB();

  // The components; a write drops the linked RGB form.
  int32_t HUE() const { return NH; }
  int32_t SATITURATION() const { return NS; }
  int32_t LIGHTNESS() const { return NL; }
  void HUE(int32_t V);
  void SATITURATION(int32_t V);
  void LIGHTNESS(int32_t V);

  // The colour as 0xFFRRGGBB, through the linked RGB form (made if missing).
  uint32_t VALUE() const;
  // Replaces the link by one holding V and converts from it.
  void VALUE(uint32_t V);

  // The linked RGB form, made on first use; null when memory runs out.
  RGBTRIPLE* TORGB();

  // Sets hue, saturation and lightness from red, green and blue; null is ignored.
  void FROMRGB(const RGBTRIPLE* RGB);
  void FROMRGB(int32_t R, int32_t G, int32_t B);

 private:
  friend struct RGBTRIPLE;
  RGBTRIPLE* linkrgb() const;

  int32_t NH = 0;
  int32_t NS = 0;
  int32_t NL = 0;
  // Mutable: reading VALUE makes the link, which does not change the colour.
  mutable std::unique_ptr<RGBTRIPLE> PRGB;
};

}  // namespace ZARVO::COLOR
