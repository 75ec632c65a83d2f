// CefCommandLine parsing and editing.

#include <string>
#include <vector>

#include "base/command_line_impl.h"
#include "gtest/gtest.h"
#include "include/cef_command_line.h"

namespace {

std::vector<std::string> Strings(const std::vector<CefString>& values) {
  std::vector<std::string> out;
  for (const CefString& value : values)
    out.push_back(value.ToString());
  return out;
}

// A new command line parsed from |line|'s GetArgv.
CefRefPtr<CefCommandLine> ReparsedArgv(CefRefPtr<CefCommandLine> line) {
  std::vector<CefString> words;
  line->GetArgv(words);
  const std::vector<std::string> argv = Strings(words);
  std::vector<const char*> raw;
  for (const std::string& word : argv)
    raw.push_back(word.c_str());
  CefRefPtr<CefCommandLine> reparsed = CefCommandLine::CreateCommandLine();
  reparsed->InitFromArgv(static_cast<int>(raw.size()), raw.data());
  return reparsed;
}

TEST(CommandLineTest, ParsesSwitchesValuesAndArguments) {
  const char* argv[] = {"/usr/bin/kiv-subprocess",
                        "--type=renderer",
                        "-lang=en-US",
                        "--enable-thing",
                        "--channel-fd=3=x",
                        "page.html",
                        "--",
                        "--not-a-switch",
                        "-"};
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  EXPECT_TRUE(line->IsValid());
  EXPECT_FALSE(line->IsReadOnly());
  line->InitFromArgv(9, argv);

  EXPECT_EQ("/usr/bin/kiv-subprocess", line->GetProgram().ToString());
  EXPECT_TRUE(line->HasSwitches());
  EXPECT_TRUE(line->HasSwitch("type"));
  EXPECT_TRUE(line->HasSwitch("TYPE"));  // names ignore case
  EXPECT_EQ("renderer", line->GetSwitchValue("type").ToString());
  EXPECT_EQ("en-US", line->GetSwitchValue("lang").ToString());
  EXPECT_TRUE(line->HasSwitch("enable-thing"));
  EXPECT_EQ("", line->GetSwitchValue("enable-thing").ToString());
  EXPECT_EQ("3=x", line->GetSwitchValue("channel-fd").ToString());
  EXPECT_FALSE(line->HasSwitch("not-a-switch"));
  EXPECT_FALSE(line->HasSwitch(""));
  EXPECT_EQ("", line->GetSwitchValue("missing").ToString());

  CefCommandLine::ArgumentList arguments;
  arguments.push_back("kept");
  line->GetArguments(arguments);
  EXPECT_EQ(
      (std::vector<std::string>{"kept", "page.html", "--not-a-switch", "-"}),
      Strings(arguments));

  CefCommandLine::SwitchMap switches;
  line->GetSwitches(switches);
  EXPECT_EQ(4u, switches.size());
  EXPECT_EQ("renderer", switches[CefString("type")].ToString());

  // GetArgv reproduces a command line that parses to the same thing.
  CefRefPtr<CefCommandLine> reparsed = ReparsedArgv(line);
  CefCommandLine::ArgumentList arguments2;
  reparsed->GetArguments(arguments2);
  EXPECT_EQ((std::vector<std::string>{"page.html", "--not-a-switch", "-"}),
            Strings(arguments2));
  EXPECT_EQ("renderer", reparsed->GetSwitchValue("type").ToString());
  EXPECT_EQ(line->GetCommandLineString().ToString(),
            reparsed->GetCommandLineString().ToString());
}

TEST(CommandLineTest, SwitchWithEmptyNameStaysASwitchInArgv) {
  // "--=" names a switch "" that must not come back as the "--" terminator,
  // which would turn the switches after it into arguments.
  const char* argv[] = {"prog", "-=", "--after"};
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromArgv(3, argv);
  CefRefPtr<CefCommandLine> reparsed = ReparsedArgv(line);
  EXPECT_TRUE(reparsed->HasSwitch("after"));
  EXPECT_FALSE(reparsed->HasArguments());
  CefCommandLine::SwitchMap switches;
  reparsed->GetSwitches(switches);
  EXPECT_EQ(1u, switches.count(CefString()));
}

TEST(CommandLineTest, RepeatedSwitchTakesLastValue) {
  const char* argv[] = {"prog", "--type=gpu-process", "--Type=renderer"};
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromArgv(3, argv);
  EXPECT_EQ("renderer", line->GetSwitchValue("type").ToString());
  CefCommandLine::SwitchMap switches;
  line->GetSwitches(switches);
  EXPECT_EQ(1u, switches.size());
}

TEST(CommandLineTest, EditingCopyAndReset) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->SetProgram("prog");
  line->AppendSwitch("single-process");
  line->AppendSwitchWithValue("lang", "de");
  line->AppendArgument("file with space");
  line->AppendArgument("");  // ignored
  line->PrependWrapper("gdb --args");
  EXPECT_EQ("gdb --args prog --single-process --lang=de \"file with space\"",
            line->GetCommandLineString().ToString());

  CefRefPtr<CefCommandLine> copy = line->Copy();
  copy->AppendSwitch("extra");
  copy->AppendSwitchWithValue("LANG", "fr");  // the copy's own switch
  EXPECT_FALSE(line->HasSwitch("extra"));
  EXPECT_EQ("de", line->GetSwitchValue("lang").ToString());
  EXPECT_EQ(
      "gdb --args prog --single-process --lang=fr --extra \"file with space\"",
      copy->GetCommandLineString().ToString());

  line->Reset();
  EXPECT_FALSE(line->HasSwitches());
  EXPECT_FALSE(line->HasArguments());
  EXPECT_EQ("prog", line->GetProgram().ToString());
  line->AppendSwitchWithValue("lang", "it");  // nothing of the old one left
  EXPECT_EQ("prog --lang=it", line->GetCommandLineString().ToString());
  EXPECT_TRUE(copy->HasSwitch("lang"));
  EXPECT_TRUE(copy->HasArguments());
}

TEST(CommandLineTest, ReadOnlyGlobalAndDetached) {
  const char* argv[] = {"kiv-subprocess", "--type=utility"};
  cef_base::InitGlobalCommandLine(2, argv);
  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  ASSERT_TRUE(global.get());
  EXPECT_EQ(global.get(), CefCommandLine::GetGlobalCommandLine().get());
  EXPECT_TRUE(global->IsReadOnly());
  EXPECT_EQ("utility", global->GetSwitchValue("type").ToString());
  global->AppendSwitch("sneaky");
  global->Reset();
  global->InitFromArgv(1, argv);
  EXPECT_FALSE(global->HasSwitch("sneaky"));
  EXPECT_TRUE(global->HasSwitch("type"));
  // A copy of the read-only global is writable.
  CefRefPtr<CefCommandLine> copy = global->Copy();
  EXPECT_FALSE(copy->IsReadOnly());
  copy->AppendSwitch("mine");
  EXPECT_TRUE(copy->HasSwitch("mine"));

  CefRefPtr<cef_base::CommandLineImpl> lent =
      new cef_base::CommandLineImpl(false);
  lent->InitFromArgv(2, argv);
  lent->Detach();
  EXPECT_FALSE(lent->IsValid());
  EXPECT_FALSE(lent->HasSwitch("type"));
  EXPECT_EQ("", lent->GetProgram().ToString());
  EXPECT_EQ(nullptr, lent->Copy().get());
  std::vector<CefString> words;
  lent->GetArgv(words);
  EXPECT_TRUE(words.empty());
}

}  // namespace
