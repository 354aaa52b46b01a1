SUMMARY = "Wi-Fi run-control of the gateway's Ralink access point"
DESCRIPTION = "Writes the Ralink driver profile, builds the VLANs and bridges and sets up WPS."
LICENSE = "CLOSED"

# The qd_rc source tree beside this recipe (files/qd_rc), or a SRC_URI of its repository.
SRC_URI = "file://qd_rc/"
S = "${WORKDIR}/qd_rc"

inherit cmake

# qd_rc runs itself from the folder it is installed in: base_sbindir, /sbin or, with usrmerge,
# /usr/sbin. The target's install is qd_rc alone; qd-rc-native also installs qd_nvram_tool
# (and the docs) into the native sysroot, to make the default settings image.
EXTRA_OECMAKE = "-DBUILD_TESTING=OFF -DQD_SBINDIR=${base_sbindir}"

# qd_rc starts /bin/iwpriv, which wireless-tools installs in sbindir.
do_install:append:class-target() {
    install -d ${D}${base_bindir}
    ln -sf ${sbindir}/iwpriv ${D}${base_bindir}/iwpriv
}

FILES:${PN} = "${base_sbindir}/qd_rc ${base_bindir}/iwpriv"
RDEPENDS:${PN}:class-target = "bridge-utils wireless-tools"
# 802.1Q VLANs: the module where the kernel has them as one; nothing where they are built in.
RRECOMMENDS:${PN}:class-target = "kernel-module-8021q"

BBCLASSEXTEND = "native"
