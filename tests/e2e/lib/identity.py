"""The program's version as the build wrote it into the identity header: the
build's project version is the one place that says it.

    identity.program_version(build_dir)   # e.g. "1.54"
    identity.version_field(build_dir)     # field 000 of a registration
"""

import os
import re


def program_version(build_dir):
    path = os.path.join(build_dir, "generated", "base", "identity-version.h")
    with open(path, encoding="ascii") as header:
        return re.search(r'#define PROGRAM_VERSION "([^"]*)"', header.read()).group(1)


def version_field(build_dir):
    """The program's version and build as a registration names them."""
    return "v%s (Release)" % program_version(build_dir)
