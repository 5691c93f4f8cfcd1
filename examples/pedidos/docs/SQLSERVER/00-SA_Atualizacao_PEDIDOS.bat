@echo off
rem Instalação do banco SQL Server do sistema PEDIDOS.
rem Uso: 00-SA_Atualizacao_PEDIDOS.bat SERVIDOR
for %%f in (02-SA_Tabelas.sql 03-SA_Sequences.sql 04-SA_Evolucao.sql 05-SA_Views.sql 06-SA_Functions.sql 07-SA_Procedures.sql 08-SA_Packages.sql 09-SA_Triggers.sql 10-SA_Grants.sql 12-SA_Dados.sql 13-SA_Procedures_SQL2005.sql 15-SA_Versao_Database.sql) do (
  sqlcmd -S %1 -E -d PEDIDOS -i %%f -o %%~nf.log
)
