"""The ztclass commands as QGIS Processing algorithms."""


def classFactory(iface):  # noqa: N802 (QGIS's name)
    from .plugin import ZtclassPlugin
    return ZtclassPlugin(iface)
