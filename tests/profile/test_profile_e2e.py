"""Profile documents from the page of the running program: query, edit, count, save, export to a
profile file and import it into another document."""

import base64
import os
import struct
import unittest

from vesktest import AppTestCase

SOURCE = """<?xml version="1.0" encoding="UTF-8"?>
<profiles>
  <profile index="0" name="Default">
    <buttons>
      <button index="0" code="0x01"/>
      <button index="1" code="0x02,%,0x00,%"/>
    </buttons>
  </profile>
</profiles>
"""

TARGET = "<profiles><profile index=\"9\"><old/></profile></profiles>"


def prepare(app_dir):
    folder = os.path.join(app_dir, "Resources", "profiles")
    with open(os.path.join(folder, "e2e.xml"), "w", encoding="utf-8") as f:
        f.write(SOURCE)
    with open(os.path.join(folder, "e2e-target.xml"), "w", encoding="utf-8") as f:
        f.write(TARGET)


class ProfileDocuments(AppTestCase):
    prepare = staticmethod(prepare)

    def file(self, name, mode="r"):
        with open(os.path.join(self.app.app_dir, "Resources", "profiles", name), mode) as f:
            return f.read()

    def test_query_edit_count_save_export_import(self):
        page = self.page
        doc = "Resources/profiles/e2e.xml"
        self.assertEqual(page.command("queryProfile", filePath=doc, xpath="//button[@index='1']"),
                         {"ok": True, "code": 0, "text": "<button index=\"1\" code=\"0x02,%,0x00,%\" />\n"})
        self.assertEqual(page.command("queryHexByte", filePath=doc, xpath="//button[@index='1']", args="0x04,0x05"),
                         {"ok": True, "code": 0, "text": "0x02,0x04,0x00,0x05"})
        self.assertEqual(page.command("modifyProfile", filePath=doc, xpath="//button[@index='0']",
                                      attribute="code", attributeValue="0x09")["text"], "modifyProfile success!")
        self.assertEqual(page.command("modifyAddProfile", filePath=doc, xpath="//profile", addNodeName="macros",
                                      attribute="count", attributeValue="0")["text"], "modifyAddProfile success")
        self.assertEqual(page.command("nodeCounterProfile", filePath=doc, xpath="//profile")["text"], "2")
        self.assertEqual(self.file("e2e.xml"), SOURCE)  # nothing written before "savexml"

        self.assertEqual(page.command("savexml"), {"ok": True, "code": 0, "text": "save xml success"})
        saved = ("<?xml version=\"1.0\"?>\n<profiles>\n\t<profile index=\"0\" name=\"Default\">\n\t\t<buttons>\n"
                 "\t\t\t<button index=\"0\" code=\"0x09\" />\n\t\t\t<button index=\"1\" code=\"0x02,%,0x00,%\" />\n"
                 "\t\t</buttons>\n\t\t<macros count=\"0\" />\n\t</profile>\n</profiles>\n")
        self.assertEqual(self.file("e2e.xml", "rb"), saved.encode())

        pfd = os.path.join(self.app.app_dir, "exported.pfd")
        self.assertEqual(page.command("saveXmlAs", srcFilePath=doc, desFilePath=pfd, xpath="/profiles/profile"),
                         {"ok": True, "code": 0, "text": "saveXmlAs success"})
        with open(pfd, "rb") as f:
            data = f.read()
        magic, length = struct.unpack(">II", data[:8])
        self.assertEqual((magic, length), (0x0A0B0C0D, len(data) - 8))
        self.assertTrue(base64.b64decode(data[8:]).startswith(b"<?xml version=\"1.0\"?>\n<profile index=\"0\""))

        target = "Resources/profiles/e2e-target.xml"
        self.assertEqual(page.command("modifyReplaceProfileEx", srcFilePath=pfd, desFilePath=target,
                                      srcXpath="/profile", desXpath="//profile[@index='9']"),
                         {"ok": True, "code": 0, "text": "modifyReplaceProfile success"})
        self.assertEqual(page.command("modifyReplaceProfileEx", srcFilePath=pfd + ".missing", desFilePath=target,
                                      srcXpath="/", desXpath="/"),
                         {"ok": False, "code": 0, "text": "modifyReplaceProfile load xml file failed!"})
        self.assertEqual(page.command("queryProfile", filePath=target, xpath="//profile[@index='9']/*[1]")["text"],
                         "<buttons>\n\t<button index=\"0\" code=\"0x09\" />\n"
                         "\t<button index=\"1\" code=\"0x02,%,0x00,%\" />\n</buttons>\n")
        self.assertEqual(self.file("e2e-target.xml"), TARGET)
        self.assertEqual(page.command("savexml")["text"], "save xml success")
        self.assertEqual(self.file("e2e-target.xml", "rb"),
                         b"<?xml version=\"1.0\"?>\n<profiles>\n\t<profile index=\"9\">\n\t\t<buttons>\n"
                         b"\t\t\t<button index=\"0\" code=\"0x09\" />\n"
                         b"\t\t\t<button index=\"1\" code=\"0x02,%,0x00,%\" />\n\t\t</buttons>\n"
                         b"\t\t<macros count=\"0\" />\n\t</profile>\n</profiles>\n")

    def test_bad_xpath_and_broken_document(self):
        page = self.page
        doc = "Resources/profiles/e2e.xml"
        self.assertEqual(page.command("queryProfile", filePath=doc, xpath="//button["),
                         {"ok": False, "code": 0, "text": "queryProfile load xml file failed!"})
        self.assertEqual(page.command("modifyProfileEx", filePath=doc, xpath="1+", subTreeString="<a/>"),
                         {"ok": False, "code": 0, "text": "modifyProfileEx load xml file failed!"})
        self.assertIsNone(page.command("queryProfile", filePath="Resources/profiles/none.xml", xpath="/",
                                       timeout_ms=400))
        self.assertEqual(page.command("queryProfile", filePath=doc, xpath="count(/)")["text"],
                         "queryProfile load xml file failed!")
        self.assertIsNone(self.app.proc.poll())


if __name__ == "__main__":
    unittest.main()
