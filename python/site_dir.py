"""Prints where a package installed under the prefix argv[1] is found by this
interpreter, relative to that prefix."""

import os
import sys
import sysconfig


def main() -> None:
    prefix = os.path.realpath(sys.argv[1])
    for entry in sys.path:
        real = os.path.realpath(entry) if entry else ""
        if not real.startswith(prefix + os.sep) or os.path.basename(real) not in ("dist-packages", "site-packages"):
            continue
        relative = os.path.relpath(real, prefix)
        # /usr holds /usr/local's folders too; those belong to the other prefix.
        if relative.split(os.sep)[0] in ("lib", "lib64"):
            print(relative)
            return
    scheme_vars = {"base": prefix, "platbase": prefix, "installed_base": prefix, "installed_platbase": prefix}
    print(os.path.relpath(sysconfig.get_path("platlib", "posix_prefix", vars=scheme_vars), prefix))


main()
