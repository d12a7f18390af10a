// kinevo-cli eval: value on stdout, or the parser's message and position on
// stderr with exit code 1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

using TRun = kinevo::test::ProgramRun;

TRun RunEval(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"eval"};
  all.insert(all.end(), args.begin(), args.end());
  return kinevo::test::RunProgram(KINEVO_CLI_PATH, all);
}

TEST(EvalCliTest, PrintsValuesWithAPointAndUpToSeventeenDigits) {
  EXPECT_EQ(RunEval({"2+3*4"}).out, "14\n");
  EXPECT_EQ(RunEval({"1/3"}).out, "0.3333333333333333\n");
  EXPECT_EQ(RunEval({"0.1+0.2"}).out, "0.30000000000000004\n");
  EXPECT_EQ(RunEval({"1/2*m*v^2", "m=2", "v=3"}).out, "9\n");
  EXPECT_EQ(RunEval({"sin(90)", "--degres"}).out, "1\n");
  EXPECT_EQ(RunEval({"x²÷2", "x²=1,5"}).out, "0.75\n");
  const TRun ok = RunEval({"pi"});
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "3.141592653589793\n");
  EXPECT_EQ(ok.err, "");
}

TEST(EvalCliTest, ReportsTheMessageAndPositionOnFailure) {
  const TRun div = RunEval({"1+2/(x-1)", "x=1"});
  EXPECT_EQ(div.status, 1);
  EXPECT_EQ(div.out, "");
  EXPECT_EQ(div.err, "Erreur 14 à la position 4 : Division par zéro.\n");
  const TRun unknown = RunEval({"2*vitesse"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err,
            "Erreur 20 à la position 3 : La formule contient une variable ou une constante "
            "inconnue : vitesse\n");
  const TRun empty = RunEval({""});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "Erreur 26 : La formule est vide.\n");
  EXPECT_EQ(RunEval({"(1+2"}).err,
            "Erreur 1 à la position 1 : Une parenthèse ouverte n'a pas été fermée.\n");
}

TEST(EvalCliTest, RefusesMalformedArguments) {
  EXPECT_EQ(RunEval({}).status, 2);
  const TRun bad = RunEval({"x", "x"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("NOM=VALEUR"), std::string::npos);
  EXPECT_EQ(RunEval({"x", "x=abc"}).status, 2);
}

}  // namespace
