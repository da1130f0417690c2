// The icon images of a run of shortcut rows, made ahead of the loop that inserts them.
//
// The shell's icon lookup of one file is slow (milliseconds, mostly the shell's own
// walk of the path), and a list of them dominates a bar's build. Two helper threads
// make the images in row order while the window thread inserts rows and answers
// messages; the window thread makes an image itself when it gets to a row that no
// helper has begun. Every image is made anew, exactly as iconImage makes it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "app/text.h"
#include "base/win_handles.h"

namespace corvalis {

class IconImages {
 public:
  // How one image is made: iconImage, unless a test says otherwise.
  using ImageMaker = ByteString (*)(std::string_view path, int side);

  IconImages(const std::vector<std::string_view>& paths, int side, ImageMaker maker = nullptr);
  // Lets the helpers finish the image each is making, and waits for them, answering
  // the messages they send to this thread meanwhile.
  ~IconImages();
  IconImages(const IconImages&) = delete;
  IconImages& operator=(const IconImages&) = delete;

  // The image of paths[index], each index asked once, from one thread only (the
  // window thread): waits for the helper making it, or makes it here when none has
  // begun it.
  ByteString take(std::size_t index);

  // Threads started (0 when none could be: take then makes every image itself).
  std::size_t helperCount() const;

  static constexpr std::size_t kHelpers = 2;

  struct Work;  // what the helpers share with the window thread

 private:
  std::shared_ptr<Work> work_;
  std::vector<UniqueKernelHandle> helpers_;
};

}  // namespace corvalis
