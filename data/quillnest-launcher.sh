#!/bin/sh
# Starts Quillnest from where it was installed, in a folder of its own beside the launcher's.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/quillnest/quillnest" "$@"
