#!/usr/bin/env python3
"""The layer check itself: each kind of wrong include is caught, and a tree
that keeps the rules passes."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402


class LayerCheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.dir.name, "src")
        self.qt = os.path.join(self.dir.name, "qt")
        for folder, header in (("QtCore", "QString"), ("QtGui", "QIcon"),
                               ("QtWidgets", "QWidget")):
            os.makedirs(os.path.join(self.qt, folder))
            open(os.path.join(self.qt, folder, header), "w").close()
        self.write("core/platform/clock.h", "#include <QString>\n")
        self.write("core/engine/ftp_session.h", '#include "core/platform/clock.h"\n')
        self.write("gui/window/main_window.h",
                   '#include "gui/panes/site_tree.h"\n#include <QWidget>\n')
        self.write("gui/panes/site_tree.h",
                   '#include "core/engine/ftp_session.h"\n#include <QWidget>\n')
        self.write("app/main.cpp", '#include "gui/window/main_window.h"\n')

    def tearDown(self):
        self.dir.cleanup()

    def write(self, relative, text):
        path = os.path.join(self.src, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def check(self):
        qt_dirs = [os.path.join(self.qt, d) for d in ("QtCore", "QtGui", "QtWidgets")]
        return check_layers.violations(self.src, qt_dirs)

    def test_a_tree_that_keeps_the_rules_passes(self):
        self.assertEqual(self.check(), [])

    def test_widgets_and_gui_headers_are_refused_in_the_core(self):
        self.write("core/engine/a.cpp", "#include <QWidget>\n")
        self.write("core/tasks/b.cpp", "  #  include <QtGui/QIcon>\n")
        self.write("core/sites/c.h", "#include <QIcon>\n")
        found = self.check()
        self.assertEqual([line.split(":")[0] for line in found],
                         ["core/engine/a.cpp", "core/sites/c.h", "core/tasks/b.cpp"])

    def test_panes_and_dialogs_never_reach_the_window(self):
        self.write("gui/panes/x.cpp", '#include "gui/window/main_window.h"\n')
        self.write("gui/dialogs/y.cpp", '#include "gui/window/shell_services.h"\n')
        self.assertEqual(len(self.check()), 2)

    def test_arrows_inside_the_core_run_one_way(self):
        self.write("core/platform/p.cpp", '#include "core/engine/ftp_session.h"\n')
        self.write("core/engine/e.cpp", '#include "core/tasks/task_archive.h"\n')
        self.write("core/settings/s.cpp", '#include "core/engine/connection_source.h"\n')
        self.write("core/sites/t.cpp", '#include "core/settings/network_settings.h"\n')
        self.assertEqual(len(self.check()), 4)

    def test_the_core_never_reaches_the_window_or_the_programs(self):
        self.write("core/engine/g.cpp", '#include "gui/panes/site_tree.h"\n')
        self.write("gui/panes/h.cpp", '#include "app/cli_session.h"\n')
        self.assertEqual(len(self.check()), 2)

    def test_the_command_line_reports_and_fails(self):
        self.write("core/engine/a.cpp", "#include <QWidget>\n")
        qt_dirs = [os.path.join(self.qt, "QtWidgets")]
        with contextlib.redirect_stdout(io.StringIO()) as out:
            status = check_layers.main(["check_layers.py", self.src] + qt_dirs)
        self.assertEqual(status, 1)
        self.assertIn("core/engine/a.cpp:1:", out.getvalue())


    def test_members_are_defined_in_the_folder_of_their_class(self):
        self.write("core/engine/ftp_session.h",
                   '#include "core/platform/clock.h"\nclass FtpSession : public Base {\n};\n')
        self.write("core/engine/ftp_session.cpp",
                   "FtpSession::FtpSession() {}\nvoid FtpSession::send() {}\n")
        self.assertEqual(self.check(), [])
        self.write("core/tasks/driver.cpp",
                   '#include "core/engine/ftp_session.h"\n'
                   "// FtpSession::send(), in a comment, is no definition\n"
                   "bool FtpSession::sendLater(int a) {\n"
                   "    session.FtpSession::send();\n}\n")
        found = self.check()
        self.assertEqual(len(found), 1, found)
        self.assertTrue(found[0].startswith("core/tasks/driver.cpp:3:"), found)


if __name__ == "__main__":
    unittest.main()
