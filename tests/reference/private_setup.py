"""A fontconfig setup of a check's own: a fonts.conf naming one folder, the caches and the user's
folders inside the check's temporary root, no display."""
import os


def private_env(root, fonts, cache="cache"):
    """The environment that runs the program (or fontconfig's tools) over `fonts` only."""
    conf = os.path.join(root, "fonts.conf")
    with open(conf, "w") as f:
        f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                f"<fontconfig><dir>{fonts}</dir><cachedir>{root}/{cache}</cachedir></fontconfig>\n")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(FONTCONFIG_FILE=conf, XDG_DATA_HOME=os.path.join(root, "data"), LANG="C.UTF-8", LC_ALL="C.UTF-8",
               XDG_RUNTIME_DIR=root, XDG_CACHE_HOME=os.path.join(root, "cache"),
               XDG_CONFIG_HOME=os.path.join(root, "config"))
    return env
