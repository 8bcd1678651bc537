// The registrar: runs a registry script (the ".rgs" language) to register or unregister.
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove %CLSID% = s 'Widget Class'
//       {
//         InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
//       }
//     }
//   }
//
// Keys may carry NoRemove (never removed), ForceRemove (removed whole before writing and
// on unregistration) or Delete (removed on registration). Values are s (text), e
// (expandable text), d (DWORD) or b (hexadecimal bytes). Tokens are separated by white
// space. %NAME% is replaced from the map inside the token that holds it, so a value is
// taken as it stands, whatever quotes or blanks it holds; "%%" stands for a percent sign.
// The whole script is parsed before any key is touched, so a faulty script changes
// nothing: it fails with the place of its fault in the thread's error info.
#pragma once

#include "comobject.h"

#include <memory>
#include <string>
#include <vector>

namespace plat {

// Registry trees kept as they were before a registration wrote over them, so that one that
// fails part way can put back what it overwrote instead of removing it: a registration of
// the same classes from elsewhere then survives the failed one.
class RegistrySnapshot {
 public:
  struct Tree;  // a key's values and subkeys

  // While one lives, every registry script that registers on its thread first keeps in the
  // snapshot each tree it writes (the keys below its NoRemove keys), and writes nothing
  // when one cannot be read.
  class Recording {
   public:
    explicit Recording(RegistrySnapshot& snapshot) noexcept;
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

   private:
    RegistrySnapshot* previous_;
  };

  // Keeps the tree at `path` under `root` as it is now, or that there is none. A tree kept
  // already, or inside one kept, is not read again.
  HRESULT Keep(HKEY root, const std::wstring& path) noexcept;
  // Makes every kept tree as it was, the last kept first: what was written since goes,
  // what was overwritten or removed comes back. Goes on past a failure and returns the
  // first.
  HRESULT Restore() const noexcept;

 private:
  struct Kept {
    HKEY root;
    std::wstring path;
    std::shared_ptr<const Tree> tree;  // null: there was no key
  };
  std::vector<Kept> kept_;
};

HRESULT RunRegistryScript(const wchar_t* script, const Replacement* replacements, size_t count,
                          bool doRegister) noexcept;

}  // namespace plat
