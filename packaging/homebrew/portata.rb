# Homebrew formula for portata. `cmake --workflow --preset dist` writes
# dist/portata.rb: this formula with the checksum of that release's source
# archive (dist/portata-VERSION.tar.gz), to be put in a tap beside the
# archive's download address.
class Portata < Formula
  desc "Optical range of an FM radio link, on an 80x25 text screen"
  homepage "https://github.com/portata/portata"
  url "https://github.com/portata/portata/releases/download/v1.0.0/portata-1.0.0.tar.gz"
  sha256 "0000000000000000000000000000000000000000000000000000000000000000"
  license "MIT"

  depends_on "cmake" => :build
  depends_on "ninja" => :build

  def install
    system "cmake", "-S", ".", "-B", "build", "-G", "Ninja", "-DPORTATA_TESTS=OFF", *std_cmake_args
    system "cmake", "--build", "build"
    system "cmake", "--install", "build"
  end

  test do
    assert_match " 60 km ", pipe_output(bin/"portata", "100\n25\n")
  end
end
