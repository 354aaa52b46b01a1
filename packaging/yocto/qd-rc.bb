SUMMARY = "Wi-Fi run-control of the gateway's Ralink access point"
DESCRIPTION = "Writes the Ralink driver profile, builds the VLANs and bridges and sets up WPS."
LICENSE = "CLOSED"

# The qd_rc source tree beside this recipe (files/qd_rc), or a SRC_URI of its repository.
SRC_URI = "file://qd_rc/"
S = "${WORKDIR}/qd_rc"

inherit cmake

EXTRA_OECMAKE = "-DBUILD_TESTING=OFF"
# The native build (qd_nvram_tool for the build machine) keeps everything in its sysroot.
EXTRA_OECMAKE:append:class-native = " -DQD_SBINDIR=${sbindir}"

# qd_rc runs itself as /sbin/qd_rc; the settings tool is a package of its own.
PACKAGES =+ "${PN}-tool"
FILES:${PN} = "${base_sbindir}/qd_rc"
FILES:${PN}-tool = "${bindir}/qd_nvram_tool"
RDEPENDS:${PN}:class-target = "bridge-utils wireless-tools kernel-module-8021q"

BBCLASSEXTEND = "native"
