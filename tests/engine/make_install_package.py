"""Writes the package the installer tests extract: a file at the top and one in a sub-folder."""
import sys
import zipfile

with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as package:
    package.writestr("readme.txt", "installed by the test\n")
    package.writestr("bin/", "")
    package.writestr("bin/a.txt", "alpha" * 1000)
