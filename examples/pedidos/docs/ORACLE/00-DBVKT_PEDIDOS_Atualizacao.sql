-- Roteiro de atualização do sistema PEDIDOS (Oracle): executa os scripts na ordem.
@@00-DBVKT_PEDIDOS_Adere_Politica_Seguranca.sql
@@02-DBVKT_PEDIDOS_Tabelas.sql
@@03-DBVKT_PEDIDOS_Sequences.sql
@@04-DBVKT_PEDIDOS_Evolucao.sql
@@05-DBVKT_PEDIDOS_Views.sql
@@06-DBVKT_PEDIDOS_Functions.sql
@@07-DBVKT_PEDIDOS_Procedures.sql
@@08-DBVKT_PEDIDOS_Packages.sql
@@09-DBVKT_PEDIDOS_Triggers.sql
@@10-DBVKT_PEDIDOS_Grants.sql
@@12-DBVKT_PEDIDOS_Dados.sql
@@13-DBVKT_PEDIDOS_Versao_Database.sql
